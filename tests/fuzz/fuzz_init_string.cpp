// Initialization strings: whatever parses composes into a string that parses back to the same
// pairs, and a refusal is one line.

#include "datasource/init_string.h"
#include "fuzz_input.h"

using quillet::db::InitProperties;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto parsed = InitProperties::Parse(text, &error);
  if (!parsed) {
    QUILLET_FUZZ_CHECK(!error.empty());
    QUILLET_FUZZ_CHECK(error.find_first_of("\r\n") == std::string::npos);
    return 0;
  }
  const std::string composed = parsed->Compose();
  const auto again = InitProperties::Parse(composed, &error);
  QUILLET_FUZZ_CHECK(again.has_value());
  QUILLET_FUZZ_CHECK(again->items().size() == parsed->items().size());
  for (std::size_t i = 0; i < parsed->items().size(); ++i) {
    QUILLET_FUZZ_CHECK(again->items()[i].key == parsed->items()[i].key);
    QUILLET_FUZZ_CHECK(again->items()[i].value == parsed->items()[i].value);
  }
  QUILLET_FUZZ_CHECK(again->Compose() == composed);
  return 0;
}
