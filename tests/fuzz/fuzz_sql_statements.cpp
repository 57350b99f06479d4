// The single-statement lexer: tokens of every dialect lie inside the text in order, the count
// agrees with the semicolons the tokens hold, and a refusal is one line.

#include "datasource/sql_statements.h"
#include "fuzz_input.h"

using quillet::db::SqlDialect;
using quillet::db::SqlToken;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const SqlDialect dialect : {SqlDialect::Standard, SqlDialect::PostgreSql, SqlDialect::MySql,
                                   SqlDialect::Sqlite, SqlDialect::SqlServer}) {
    const auto tokens = quillet::db::TokenizeSql(text, dialect);
    const char* previousEnd = text.data();
    std::size_t semicolons = 0;
    for (const SqlToken& token : tokens) {
      QUILLET_FUZZ_CHECK(!token.text.empty());
      QUILLET_FUZZ_CHECK(token.text.data() >= previousEnd);
      QUILLET_FUZZ_CHECK(token.text.data() + token.text.size() <= text.data() + text.size());
      previousEnd = token.text.data() + token.text.size();
      if (token.kind == SqlToken::Kind::Semicolon) ++semicolons;
    }
    QUILLET_FUZZ_CHECK(quillet::db::CountStatements(text, dialect) <= semicolons + 1);
    (void)quillet::db::StatementWords(text, dialect);
  }
  for (const bool semicolonsOnly : {false, true}) {
    std::string reason;
    if (!quillet::db::HoldsOneStatement(text, &reason, semicolonsOnly)) {
      QUILLET_FUZZ_CHECK(!reason.empty());
      QUILLET_FUZZ_CHECK(reason.find_first_of("\r\n") == std::string::npos);
    }
  }
  return 0;
}
