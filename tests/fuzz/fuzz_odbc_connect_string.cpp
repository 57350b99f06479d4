// ODBC connection strings: parse -> compose -> parse keeps the attributes, a refusal is one line,
// and what the initialization string parser keeps maps to an ODBC string that parses.

#include "datasource/init_string.h"
#include "datasource/providers/odbc/odbc_connect_string.h"
#include "fuzz_input.h"

namespace {

using quillet::db::InitProperties;
using quillet::db::odbc::OdbcAttributes;

void CheckRoundTrip(const OdbcAttributes& attributes) {
  std::string error;
  const auto again = OdbcAttributes::Parse(attributes.Compose(), &error);
  QUILLET_FUZZ_CHECK(again.has_value());
  QUILLET_FUZZ_CHECK(again->items().size() == attributes.items().size());
  for (std::size_t i = 0; i < attributes.items().size(); ++i) {
    QUILLET_FUZZ_CHECK(again->items()[i].key == attributes.items()[i].key);
    QUILLET_FUZZ_CHECK(again->items()[i].value == attributes.items()[i].value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (const auto parsed = OdbcAttributes::Parse(text, &error)) {
    CheckRoundTrip(*parsed);
    auto withOptions = *parsed;
    quillet::db::odbc::ApplyDriverOptions(quillet::db::odbc::GuessDriverKind(withOptions),
                                          &withOptions);
    CheckRoundTrip(withOptions);
  } else {
    QUILLET_FUZZ_CHECK(!error.empty());
    QUILLET_FUZZ_CHECK(error.find_first_of("\r\n") == std::string::npos);
  }

  // The same bytes as an initialization string naming the ODBC provider.
  if (const auto properties = InitProperties::Parse(text)) {
    error.clear();
    if (const auto mapped = quillet::db::odbc::MapInitProperties(*properties, &error)) {
      CheckRoundTrip(*mapped);
    } else {
      QUILLET_FUZZ_CHECK(error.find_first_of("\r\n") == std::string::npos);
    }
  }
  return 0;
}
