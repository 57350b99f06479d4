#include "datasource/providers/odbc/odbc_statement_policy.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "datasource/sql_statements.h"

namespace quillet::db::odbc {
namespace {

constexpr const char* kReadOnlyReason =
    "The statement was refused: the connection is read-only and this statement could change the "
    "database or keep others from changing it.";

std::string Upper(std::string_view word) {
  std::string out(word);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsAny(const std::string& word, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

// The statement's tokens with the words upper-cased, for the checks below.
struct Words {
  std::vector<std::string> text;  // every token, words upper-cased
  std::vector<bool> isWord;
};

Words Read(std::string_view text, SqlDialect dialect) {
  Words words;
  for (const SqlToken& token : TokenizeSql(text, dialect)) {
    const bool word = token.kind == SqlToken::Kind::Word;
    words.text.push_back(word ? Upper(token.text) : std::string(token.text));
    words.isWord.push_back(word);
  }
  return words;
}

// `word` followed by "(" anywhere: a call of that function.
bool Calls(const Words& w, std::string_view function) {
  for (std::size_t i = 0; i + 1 < w.text.size(); ++i) {
    if (w.isWord[i] && w.text[i] == function && w.text[i + 1] == "(") return true;
  }
  return false;
}

bool HasSequence(const Words& w, std::initializer_list<std::string_view> sequence) {
  const std::vector<std::string_view> seq(sequence);
  for (std::size_t i = 0; i + seq.size() <= w.text.size(); ++i) {
    bool all = true;
    for (std::size_t k = 0; k < seq.size() && all; ++k) all = w.text[i + k] == seq[k];
    if (all) return true;
  }
  return false;
}

bool SqliteRefuses(const Words& w) {
  if (w.text.empty()) return false;
  const std::string& first = w.text.front();
  if (IsAny(first, {"ATTACH", "DETACH", "VACUUM", "BEGIN", "COMMIT", "END", "ROLLBACK", "SAVEPOINT",
                    "RELEASE", "REINDEX", "ANALYZE", "INSERT", "UPDATE", "DELETE", "REPLACE",
                    "CREATE", "DROP", "ALTER"})) {
    return true;
  }
  if (Calls(w, "LOAD_EXTENSION") || Calls(w, "FTS3_TOKENIZER")) return true;
  if (first != "PRAGMA") return false;
  // PRAGMA [schema.]name [= value | (argument)]
  std::size_t i = 1;
  if (i + 2 < w.text.size() && w.text[i + 1] == ".") i += 2;
  if (i >= w.text.size()) return false;
  const std::string& name = w.text[i];
  const bool hasValue = i + 1 < w.text.size() && (w.text[i + 1] == "=" || w.text[i + 1] == "(");
  if (hasValue) {
    return !IsAny(
        name, {"TABLE_INFO", "TABLE_XINFO", "TABLE_LIST", "INDEX_LIST", "INDEX_INFO", "INDEX_XINFO",
               "FOREIGN_KEY_LIST", "FOREIGN_KEY_CHECK", "INTEGRITY_CHECK", "QUICK_CHECK"});
  }
  return IsAny(name, {"OPTIMIZE", "INCREMENTAL_VACUUM", "WAL_CHECKPOINT", "SHRINK_MEMORY"});
}

bool PostgresRefuses(const Words& w) {
  return !w.text.empty() && w.text.front() == "COPY";
}

bool MariaDbRefuses(const Words& w) {
  if (w.text.empty()) return false;
  const std::string& first = w.text.front();
  if (IsAny(first, {"LOCK", "UNLOCK", "HANDLER", "FLUSH", "KILL", "SHUTDOWN", "INSTALL",
                    "UNINSTALL", "XA"})) {
    return true;
  }
  if (first == "SET" && w.text.size() > 1 &&
      (IsAny(w.text[1], {"GLOBAL", "PERSIST", "PERSIST_ONLY"}) || w.text[1].starts_with("@@"))) {
    return true;
  }
  return HasSequence(w, {"FOR", "UPDATE"}) || HasSequence(w, {"FOR", "SHARE"}) ||
         HasSequence(w, {"LOCK", "IN", "SHARE", "MODE"}) || Calls(w, "GET_LOCK");
}

}  // namespace

Refusal RefuseStatement(DriverKind kind, std::string_view text) {
  std::string why;
  if (!HoldsOneStatement(text, &why, kind != DriverKind::Other)) {
    return {DB_E_ERRORSINCOMMAND, why};
  }
  bool refused = false;
  switch (kind) {
    case DriverKind::Sqlite3:
      refused = SqliteRefuses(Read(text, SqlDialect::Sqlite));
      break;
    case DriverKind::PostgreSql:
      refused = PostgresRefuses(Read(text, SqlDialect::PostgreSql));
      break;
    case DriverKind::MariaDb:
      refused = MariaDbRefuses(Read(text, SqlDialect::MySql));
      break;
    case DriverKind::Other:
      break;
  }
  if (refused) return {DB_E_READONLY, kReadOnlyReason};
  return {};
}

}  // namespace quillet::db::odbc
