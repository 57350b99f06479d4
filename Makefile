# The two set-up commands of README.md: `make demo` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
# Seconds each fuzz target runs in `make fuzz`; `make test` gives each 20.
FUZZ_SECONDS ?= 120
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build build-asan build-fuzz build-tsan test fuzz demo bench package install \
  format clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD)

# The sanitizer build covers the core and its tests; the Qt side is tested in the main build.
build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLET_BUILD_UI=OFF \
	  -DQUILLET_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD)

# The fuzz targets: the core compiled by clang for libFuzzer, with ASan and UBSan.
build-fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DQUILLET_BUILD_UI=OFF \
	  -DQUILLET_FUZZ=ON -DQUILLET_WARNINGS_AS_ERRORS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD)

# ThreadSanitizer over the tests whose work runs on other threads: the worker and its jobs,
# counts, page loading and Stop, in the core and once through the window.
TSAN_TESTS := tabledata_worker_tests tabledata_tests tabledata_file_changes_tests \
  config_store_tests ui_job_control_test
empty :=
space := $(empty) $(empty)
build-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_TSAN=ON \
	  >/dev/null
	@cmake --build $(TSAN_BUILD) --target $(TSAN_TESTS) make_demo_db

test: build build-asan build-fuzz build-tsan
	@ctest --test-dir $(BUILD) --output-on-failure
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure
	@ctest --test-dir $(FUZZ_BUILD) -L fuzz -j2 --output-on-failure
	@cat $(FUZZ_BUILD)/fuzz-work/*/summary.txt
	@TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan/qt.supp" \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure \
	  -R '^($(subst $(space),|,$(strip $(TSAN_TESTS))))$$'

fuzz: build-fuzz
	@QUILLET_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --test-dir $(FUZZ_BUILD) -L fuzz --output-on-failure
	@cat $(FUZZ_BUILD)/fuzz-work/*/summary.txt

demo: build
	@cmake --build $(BUILD) --target demo_data
	@scripts/run-demo.sh $(BUILD)

bench: build
	@cmake --build $(BUILD) --target benchmarks
	@scripts/run-bench.sh $(BUILD)

# A Debian package, $(BUILD)/quillet_<version>_<arch>.deb, built with CPack.
package: build
	@cmake --build $(BUILD) --target package

# Installs into PREFIX (default /usr/local); DESTDIR is honoured.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

format:
	@find src tests bench modules tools \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format -i

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD)
