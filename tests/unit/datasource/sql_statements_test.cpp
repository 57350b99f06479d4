// Statement counting: how each server reads strings and comments, and the check that refuses
// a text any of them would run as two statements.

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "datasource/sql_statements.h"

namespace quillet::db {
namespace {

using D = SqlDialect;
using namespace std::string_literals;

// "W:select S:'a' ;" — a kind letter per token (Word, Quoted name, String, Number, Parameter,
// Other) and its text.
std::string Shape(std::string_view text, SqlDialect dialect) {
  std::string out;
  for (const SqlToken& t : TokenizeSql(text, dialect)) {
    if (!out.empty()) out += ' ';
    if (t.kind == SqlToken::Kind::Semicolon) {
      out += ';';
      continue;
    }
    out += "WQSNP;O"[static_cast<int>(t.kind)];
    out += ':';
    out += t.text;
  }
  return out;
}

struct TokenCase {
  SqlDialect dialect;
  std::string text;
  std::string shape;
};

void PrintTo(const TokenCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.text);
}

class Tokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(Tokens, ReadAsTheServerDoes) {
  EXPECT_EQ(Shape(GetParam().text, GetParam().dialect), GetParam().shape) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Dialects, Tokens,
    ::testing::Values(
        TokenCase{D::Standard, "select 'it''s', \"a\"\"b\" -- c;\n/* d; */ x;",
                  "W:select S:'it''s' O:, Q:\"a\"\"b\" W:x ;"},
        TokenCase{D::Standard, "select 'open; -- x", "W:select S:'open; -- x"},
        TokenCase{D::PostgreSql, "E'\\'' e'a\\\\' '\\'", "S:E'\\'' S:e'a\\\\' S:'\\'"},
        TokenCase{D::PostgreSql, "$$;$$ $f$ $$ ; $f$ $1 a$b$ 1$x$;$x$ $é$;$é$",
                  "S:$$;$$ S:$f$ $$ ; $f$ P:$1 W:a$b$ N:1 S:$x$;$x$ S:$é$;$é$"},
        TokenCase{D::PostgreSql, "/* a /* b */ ; */ x /*/ ; */ y", "W:x W:y"},
        TokenCase{D::PostgreSql, "U&\"a;\" U&'b;' B'1''' X'f' 1E'x' 1.5e3",
                  "Q:U&\"a;\" S:U&'b;' S:B'1' S:'' S:X'f' N:1 S:E'x' N:1.5e3"},
        TokenCase{D::PostgreSql, "E'a' -- c\n'\\'' ; x 'a' 'b'",
                  "S:E'a' -- c\n'\\'' ; W:x S:'a' S:'b'"},
        TokenCase{D::PostgreSql, "-- c\r; x", "; W:x"},
        TokenCase{D::MySql, "select '\\'; x', \"a\\\"b\", `c``d`",
                  "W:select S:'\\'; x' O:, S:\"a\\\"b\" O:, Q:`c``d`"},
        TokenCase{D::MySql, "1--1 -- c\n#x;\n2 --\t;", "N:1 O:- O:- N:1 N:2"},
        TokenCase{D::MySql, "/*! a; */ /*!50100 b */ /*M!100 c */ /* d */ /*+ e */ 1e",
                  "W:a ; W:b W:c W:1e"},
        TokenCase{D::Sqlite, "[a;b] `c` \"d\" 'e' -- f\r; g", "Q:[a;b] Q:`c` Q:\"d\" S:'e'"},
        TokenCase{D::Sqlite, "$a(';) :b::c @d #e ?1 ? x'41' /* x",
                  "P:$a(';) P::b::c P:@d P:#e P:?1 P:? S:x'41'"},
        TokenCase{D::SqlServer, "[a]]b;] \"c\" N'd' @v #t $action /* /* */ ; */ x",
                  "Q:[a]]b;] Q:\"c\" S:N'd' W:@v W:#t W:$action W:x"}));

TEST(SqlStatements, CountsPiecesThatHoldTokens) {
  EXPECT_EQ(CountStatements("select 1; select 2", D::PostgreSql), 2u);
  EXPECT_EQ(CountStatements(";; select 1 ;; -- x", D::Standard), 1u);
  EXPECT_EQ(CountStatements(" -- only\n/* comments */ ;; ", D::Standard), 0u);
  EXPECT_EQ(CountStatements("select 1 /*! ; select 2 */", D::MySql), 2u);
  EXPECT_EQ(CountStatements("select 1 /*! ; select 2 */", D::Sqlite), 1u);
}

// Each text is one statement to some servers and two to another.
class Refused : public ::testing::TestWithParam<std::string> {};

TEST_P(Refused, WhenAnyServerSeesTwoStatements) {
  std::string reason;
  EXPECT_FALSE(HoldsOneStatement(GetParam(), &reason)) << GetParam();
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(reason.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, Refused,
    ::testing::Values(
        "select 1; delete from t", "select '\\'; delete from t; -- '",
        "select 1 #'\n; delete from t", "select 1--1; delete from t", "select $$;$$",
        "select 1 /*! ; delete from t */", "select [a;b]", "select 1 /* /* */ ; delete from t */",
        "select [a]]; delete from t; --]",
        "select 1 --x '\\' ; delete from t; -- '",          // MySQL NO_BACKSLASH_ESCAPES
        "select '\\'' # ; delete from t; -- '",             // PostgreSQL without conforming strings
        "select '\\'', \"\\\" --x ; delete from t; -- \"",  // MySQL ANSI_QUOTES
        "select $$ ' $$ --x ; delete from t; # '",          // MySQL 9 dollar quotes
        "select $a(') ; delete from t; --'",                // SQLite Tcl-style variable
        "select E'a'\n'\\'' ; delete from t; -- '",         // PostgreSQL literal continued
        "select 1 /*!99999 /* /* */ ' */ ; delete from t; -- '",  // skipped version nests once
        "select 1 /*!50000 '*/' */ /*!99999 -- */ ; delete from t; -- '",
        "select 1 /*M! ; delete from t */", "select 1 -- x\r$$ ; delete from t; -- $$",
        "select 1 --\xC2\xA0'\n--x ; delete from t; -- '",  // "--" + NBSP in latin1
        "select 1 # '\0 ; delete from t; -- '"s, "select /*+ BKA('*/') */ ; delete from t; -- '",
        "select * from t delete from t", "select 1 exec('drop table t')",
        "select 1 x insert into t values (1)"));

TEST(SqlStatements, AcceptsOrdinaryStatements) {
  for (const char* text :
       {"select 1", "select 1;", "select 1; -- done", "select 1;  \n /* end */ -- done\n",
        "select 'a;b', \"c;d\" from t; /* ; */ -- ;\n",
        "select * from t where a = 'it''s; fine' -- trailing ; comment\n;",
        "select $fn$ a ';' b $fn$", "SELECT /*!40001 SQL_NO_CACHE */ * FROM t",
        "select 1 --\xC2\xA0note\n", "select 1 -- x\r\nfrom t", "select 'unterminated; x",
        "select 1 /* ; unterminated", "select * from t for update", "show create table t",
        "select insert('abc', 1, 1, 'x'), t.delete from t", "select 1 as x from [t]"}) {
    std::string reason;
    EXPECT_TRUE(HoldsOneStatement(text, &reason)) << text << ": " << reason;
  }
}

TEST(SqlStatements, NamesWhatIsWrong) {
  std::string reason;
  for (const char* text : {"", " ;; ", "-- only\n/* comments */ ;"}) {
    EXPECT_FALSE(HoldsOneStatement(text, &reason));
    EXPECT_EQ(reason, "The text holds no statement.") << text;
  }
  EXPECT_FALSE(HoldsOneStatement("select 1; select 2;", &reason));
  EXPECT_EQ(reason, "The text holds more than one statement; run them one at a time.");
  EXPECT_FALSE(HoldsOneStatement("select * from t delete from t", &reason));
  EXPECT_NE(reason.find("\"delete\""), std::string::npos) << reason;
  EXPECT_FALSE(HoldsOneStatement("# mysql only", &reason));
  EXPECT_NE(reason.find("comments"), std::string::npos) << reason;
}

TEST(SqlStatements, WordsOfTheFirstStatement) {
  EXPECT_EQ(StatementWords(";; select a, \"b\" from t where x = 'y'; delete", D::PostgreSql),
            (std::vector<std::string>{"SELECT", "A", "FROM", "T", "WHERE", "X"}));
  EXPECT_EQ(StatementWords("(1); drop", D::Standard), std::vector<std::string>{});
  EXPECT_EQ(StatementWords("select /*! straight_join */ a", D::MySql),
            (std::vector<std::string>{"SELECT", "STRAIGHT_JOIN", "A"}));
}

// A megabyte of nesting, quotes, tags or noise is read in one pass without deep recursion.
TEST(SqlStatements, LargeAndBrokenTextsStayLinear) {
  const std::size_t size = 1 << 20;
  static constexpr char kBytes[] =
      "'\"`[]$;-#/*\\\r\n\0\xC3\xFF"
      "a! M+(";
  std::string noise(size, '\0');
  unsigned state = 12345;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = kBytes[(state >> 16) % (sizeof kBytes - 1)];
  }
  const std::vector<std::string> texts = {
      "select 1 " + std::string(size, '/') + std::string(size, '*'),
      "select 1 " +
          [] {
            std::string s;
            for (int k = 0; k < (1 << 19); ++k) s += "/*";
            return s;
          }(),
      "select '" + std::string(size, 'a'),
      "select $a$" + std::string(size, '$'),
      "select 1 " + std::string(size, '-'),
      noise};
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& text : texts) {
    HoldsOneStatement(text);
    for (D d : {D::Standard, D::PostgreSql, D::MySql, D::Sqlite, D::SqlServer}) {
      EXPECT_LE(CountStatements(text, d), TokenizeSql(text, d).size());
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(CountStatements(texts[1], D::PostgreSql), 1u);
}

}  // namespace
}  // namespace quillet::db
