// The settings store's value decoding: a value of any type and bytes, read as an option number,
// a 32-bit number or an exported line, never crashes, and a number read fails without changing
// the option.

#include <vector>

#include "config/registry_export.h"
#include "config/registry_store.h"
#include "config/registry_values.h"
#include "fuzz_input.h"

using namespace quillet::config;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static RegistryStore store(":memory:");
  static RegKey key = [] {
    RegKey created;
    store.CreateKey("Software\\fuzz", &created);
    return created;
  }();

  quillet::fuzz::FuzzInput input(data, size);
  const auto type = input.Take<std::uint32_t>();
  const std::string_view bytes = input.Rest();
  const std::vector<std::uint8_t> value(bytes.begin(), bytes.end());

  const std::int32_t number = ParseOptionNumber(value.data(), value.size());
  const auto encoded = EncodeOptionNumber(number);
  QUILLET_FUZZ_CHECK(encoded.size() == kOptionNumberDataSize);
  QUILLET_FUZZ_CHECK(ParseOptionNumber(encoded.data(), encoded.size()) == number);

  QUILLET_FUZZ_CHECK(key.SetValue("v", type, value) == ERROR_SUCCESS);
  OptionValue option(-7);
  const RegResult read = ReadOptionNumber(key, "v", option);
  if (read == ERROR_SUCCESS) {
    QUILLET_FUZZ_CHECK(option.Get() == number);
  } else {
    QUILLET_FUZZ_CHECK(value.size() > kOptionNumberReadSize);
    QUILLET_FUZZ_CHECK(option.Get() == -7);
  }
  std::uint32_t dword = 0xDEADBEEF;
  if (ReadDword(key, "v", &dword) != ERROR_SUCCESS) {
    QUILLET_FUZZ_CHECK(value.size() != 4);
    QUILLET_FUZZ_CHECK(dword == 0xDEADBEEF);
  }
  const std::string line = FormatValueData(type, value.data(), value.size());
  QUILLET_FUZZ_CHECK(!line.empty());
  return 0;
}
