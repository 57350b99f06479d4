#pragma once
// How many statements a text typed into the SQL window holds. The window promises to run exactly
// one; the text then goes to whatever server the connection reaches, and servers disagree on
// what is a string or a comment, so the check reads the text the way each of them may and
// refuses it when any reading finds a second statement.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::db {

enum class SqlDialect { Standard, PostgreSql, MySql, Sqlite, SqlServer };

struct SqlToken {
  enum class Kind { Word, QuotedName, String, Number, Parameter, Semicolon, Other };
  Kind kind;
  std::string_view text;  // points into the input
};

// The tokens of `text` as `dialect` reads it in its usual set-up (PostgreSQL with
// standard_conforming_strings on, MySQL with backslash escapes and "..." strings): whitespace
// and comments dropped. For MySql the body of an executable comment (`/*! ... */`,
// `/*!50100 ... */`, `/*M! ... */`) is code and is tokenized. An unterminated string, quoted
// name or comment runs to the end of the text. Bytes are bytes: NULs and broken UTF-8 are read
// like any other character.
std::vector<SqlToken> TokenizeSql(std::string_view text, SqlDialect dialect);

// Number of statements: pieces between semicolons that hold at least one token.
std::size_t CountStatements(std::string_view text, SqlDialect dialect);

// True when every dialect, in every set-up that changes how it reads text (PostgreSQL without
// standard_conforming_strings; MySQL with NO_BACKSLASH_ESCAPES or ANSI_QUOTES, with dollar
// quotes, and old or new enough to skip or run a versioned comment), reads `text` as exactly one
// statement; a trailing ';' and any comments are allowed. Otherwise false, and `reason` gets one
// line for the user. Also false when the text holds more than one construct whose reading
// depends on the server's version or character set, and when SQL Server, which needs no ';'
// between statements, would start a second one at a bare word such as DELETE or EXEC — unless
// `semicolonsOnly` says the server ends statements only at ';' (PostgreSQL, MySQL, SQLite),
// where such a text is a syntax error.
bool HoldsOneStatement(std::string_view text, std::string* reason = nullptr,
                       bool semicolonsOnly = false);

// The bare words of the first statement (outside strings, quoted names and comments) as
// `dialect` reads it, upper-cased (ASCII letters only), in order.
std::vector<std::string> StatementWords(std::string_view text, SqlDialect dialect);

}  // namespace quillet::db
