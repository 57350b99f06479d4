// Data link files as raw bytes: any file either yields a one-line initialization string or a
// one-line refusal, and what the program writes reads back as written.

#include "datasource/init_string.h"
#include "datasource/text_convert.h"
#include "datasource/udl_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string initString;
  std::string error;
  if (quillet::db::ParseDataLinkBytes(bytes, &initString, &error)) {
    QUILLET_FUZZ_CHECK(initString.find('\n') == std::string::npos);
    // Written back in the platform's form, the same string comes out (text that is not UTF-8
    // cannot be written as UTF-16 unchanged).
    std::string again;
    QUILLET_FUZZ_CHECK(quillet::db::ParseDataLinkBytes(quillet::db::DataLinkFileBytes(initString),
                                                       &again, &error));
    if (quillet::db::IsValidUtf8(initString)) QUILLET_FUZZ_CHECK(again == initString);
    (void)quillet::db::InitProperties::Parse(initString);
  } else {
    QUILLET_FUZZ_CHECK(!error.empty());
    QUILLET_FUZZ_CHECK(error.find_first_of("\r\n") == std::string::npos);
  }
  return 0;
}
