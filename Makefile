# The two set-up commands of README.md: `make demo` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build build-asan test test-asan demo bench package install format clean

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

test: build build-asan
	@ctest --test-dir $(BUILD) --output-on-failure
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure

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
	@rm -rf $(BUILD) $(ASAN_BUILD)
