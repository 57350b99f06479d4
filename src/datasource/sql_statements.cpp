#include "datasource/sql_statements.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace quillet::db {
namespace {

using Kind = SqlToken::Kind;
constexpr std::size_t kNone = std::string_view::npos;

constexpr bool IsSpace(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
constexpr bool IsLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
// Every server here takes bytes above 0x7F as letters of a name.
constexpr bool IsNameStart(unsigned char c) {
  return IsLetter(c) || c == '_' || c >= 0x80;
}
constexpr bool IsNamePart(unsigned char c) {
  return IsNameStart(c) || IsDigit(c) || c == '$';
}

// One way a server may read the text. The options only matter for the dialect that has them.
struct Reading {
  SqlDialect dialect = SqlDialect::Standard;
  bool backslash = false;   // MySQL: backslash escapes; PostgreSQL: standard_conforming_strings off
  bool ansiQuotes = false;  // MySQL ANSI_QUOTES: "..." is a name
  bool dollarQuotes = false;  // MySQL 9: $tag$...$tag$ strings
};

Reading UsualReading(SqlDialect dialect) {
  Reading r;
  r.dialect = dialect;
  r.backslash = dialect == SqlDialect::MySql;
  return r;
}

// Every reading the check runs. The MySQL ones differ in how "..." and backslashes work and in
// dollar quotes, which only MySQL 9 knows.
constexpr std::array<Reading, 11> kReadings = {{
    {SqlDialect::Standard},
    {SqlDialect::PostgreSql, false},
    {SqlDialect::PostgreSql, true},
    {SqlDialect::MySql, true, false, false},
    {SqlDialect::MySql, true, true, false},
    {SqlDialect::MySql, false, false, false},
    {SqlDialect::MySql, true, false, true},
    {SqlDialect::MySql, true, true, true},
    {SqlDialect::MySql, false, false, true},
    {SqlDialect::Sqlite},
    {SqlDialect::SqlServer},
}};

enum class Escapes {
  Doubled,    // '' stands for '
  Backslash,  // '' and \' both stand for '
  None,       // the first quote ends it (PostgreSQL B'...' and X'...')
};

// Reads one token at a time in a single pass. Some constructs read differently depending on
// the server's version or character set (a versioned MySQL comment, "--" before a non-ASCII
// byte, a lone CR in a line comment); these are "doubts". `choice` picks the reading of the
// first doubt; a caller that needs certainty runs every choice and refuses a text with two.
class Lexer {
 public:
  Lexer(std::string_view text, Reading reading, int choice = 0)
      : s_(text), n_(text.size()), r_(reading), choice_(choice) {}

  bool Next(SqlToken* token) {
    while (i_ < n_) {
      if (IsSpace(Byte(i_))) {
        ++i_;
        continue;
      }
      if (SkipComment()) continue;
      const std::size_t start = i_;
      const Kind kind = Scan();
      *token = {kind, s_.substr(start, i_ - start)};
      return true;
    }
    return false;
  }

  int doubts() const { return doubts_; }
  int firstDoubtOptions() const { return options_; }

 private:
  unsigned char Byte(std::size_t p) const { return static_cast<unsigned char>(s_[p]); }
  bool ByteIs(std::size_t p, char c) const { return p < n_ && s_[p] == c; }
  bool Is(SqlDialect d) const { return r_.dialect == d; }

  int Doubt(int options) {
    if (++doubts_ > 1) return 0;
    options_ = options;
    return choice_ < options ? choice_ : 0;
  }
  void Unreadable() { doubts_ += 2; }

  bool SkipComment() {
    const char c = s_[i_];
    if (c == '-' && ByteIs(i_ + 1, '-') && DashesStartComment()) {
      SkipLine(i_ + 2);
    } else if (c == '#' && Is(SqlDialect::MySql)) {
      SkipLine(i_ + 1);
    } else if (c == '/' && ByteIs(i_ + 1, '*')) {
      SkipBlock();
    } else if (c == '*' && inExec_ && ByteIs(i_ + 1, '/')) {
      inExec_ = false;
      i_ += 2;
    } else {
      return false;
    }
    return true;
  }

  // MySQL wants whitespace or a control character after "--" ("1--1" is arithmetic); whether a
  // byte above 0x7F is one depends on the connection's character set.
  bool DashesStartComment() {
    if (!Is(SqlDialect::MySql)) return true;
    if (i_ + 2 >= n_) return true;
    const unsigned char c = Byte(i_ + 2);
    if (c <= ' ' || c == 0x7F) return true;
    if (c >= 0x80) return Doubt(2) == 1;
    return false;
  }

  void SkipLine(std::size_t p) {
    for (; p < n_; ++p) {
      const char c = s_[p];
      if (c == '\n') break;
      if (c == '\r') {
        if (Is(SqlDialect::PostgreSql)) break;
        // Servers that are not pinned down here may or may not end the line at a lone CR.
        const bool unsure = Is(SqlDialect::Standard) || Is(SqlDialect::SqlServer);
        if (unsure && p + 1 < n_ && s_[p + 1] != '\n' && Doubt(2) == 0) break;
      }
      // MySQL's line comment may stop at a NUL byte.
      if (c == '\0' && Is(SqlDialect::MySql) && Doubt(2) == 1) break;
    }
    i_ = p;
  }

  void SkipBlock() {
    const std::size_t body = i_ + 2;
    if (Is(SqlDialect::MySql)) {
      const bool mariaDb = (ByteIs(body, 'M') || ByteIs(body, 'm')) && ByteIs(body + 1, '!');
      if (ByteIs(body, '!') || mariaDb) {
        std::size_t p = body + (mariaDb ? 2 : 1);
        const bool versioned = mariaDb || (p < n_ && IsDigit(Byte(p)));
        // A versioned comment runs as code on a new enough server; an older one skips it,
        // allowing one nested comment, and MySQL takes /*M! for a plain comment.
        const int how = versioned ? Doubt(3) : 0;
        if (how == 0) {
          while (p < n_ && IsDigit(Byte(p))) ++p;
          inExec_ = true;
          i_ = p;
        } else {
          i_ = how == 1 ? EndOfSkippedVersion(body) : EndOfPlain(body);
        }
        return;
      }
      if (ByteIs(body, '+')) {
        i_ = EndOfPlain(body);
        if (HintReadsDifferently(body, i_)) Unreadable();
        return;
      }
    }
    const bool nested = Is(SqlDialect::PostgreSql) || Is(SqlDialect::SqlServer);
    i_ = nested ? EndOfNested(body) : EndOfPlain(body);
  }

  std::size_t EndOfPlain(std::size_t p) const {
    const std::size_t end = s_.find("*/", p);
    return end == kNone ? n_ : end + 2;
  }

  // A counter, not recursion: a text may open a million comments.
  std::size_t EndOfNested(std::size_t p) const {
    std::size_t depth = 0;
    while (p + 1 < n_) {
      if (s_[p] == '/' && s_[p + 1] == '*') {
        ++depth;
        p += 2;
      } else if (s_[p] == '*' && s_[p + 1] == '/') {
        if (depth == 0) return p + 2;
        --depth;
        p += 2;
      } else {
        ++p;
      }
    }
    return n_;
  }

  std::size_t EndOfSkippedVersion(std::size_t p) const {
    while (p + 1 < n_) {
      if (s_[p] == '/' && s_[p + 1] == '*') {
        p = EndOfPlain(p + 2);
      } else if (s_[p] == '*' && s_[p + 1] == '/') {
        return p + 2;
      } else {
        ++p;
      }
    }
    return n_;
  }

  // MySQL reads an optimizer hint (/*+ ... */) with its own scanner, which skips quoted text;
  // when that could end the hint somewhere else than the first "*/", the text is unreadable.
  bool HintReadsDifferently(std::size_t p, std::size_t end) const {
    const std::string_view hint = s_.substr(0, end);
    if (end == n_ || hint.find_first_of("'\"`", p) == kNone) return false;
    while (p < end) {
      const char c = s_[p];
      if (c == '\'' || c == '"' || c == '`') {
        const char stops[] = {c, '\\'};
        const std::size_t close = hint.find_first_of(std::string_view(stops, 2), p + 1);
        if (close == kNone || s_[close] != c) return true;
        p = close + 1;
      } else if (c == '*' && s_[p + 1] == '/') {
        return p + 2 != end;
      } else {
        ++p;
      }
    }
    return true;
  }

  Kind Scan() {
    const unsigned char c = Byte(i_);
    switch (c) {
      case ';':
        ++i_;
        return Kind::Semicolon;
      case '\'':
        return ScanString(i_ + 1);
      case '"':
        if (Is(SqlDialect::MySql) && !r_.ansiQuotes) {
          i_ = EndOfQuoted(i_ + 1, '"', r_.backslash ? Escapes::Backslash : Escapes::Doubled);
          return Kind::String;
        }
        i_ = EndOfQuoted(i_ + 1, '"', Escapes::Doubled);
        return Kind::QuotedName;
      case '`':
        if (!Is(SqlDialect::MySql) && !Is(SqlDialect::Sqlite)) break;
        i_ = EndOfQuoted(i_ + 1, '`', Escapes::Doubled);
        return Kind::QuotedName;
      case '[':
        if (Is(SqlDialect::Sqlite)) {
          i_ = EndOfQuoted(i_ + 1, ']', Escapes::None);
          return Kind::QuotedName;
        }
        if (!Is(SqlDialect::SqlServer)) break;
        i_ = EndOfQuoted(i_ + 1, ']', Escapes::Doubled);
        return Kind::QuotedName;
      case '$':
        if (Is(SqlDialect::PostgreSql)) {
          if (i_ + 1 < n_ && IsDigit(Byte(i_ + 1))) {
            i_ = SkipDigits(i_ + 1);
            return Kind::Parameter;
          }
          if (const std::size_t end = EndOfDollarQuote(); end != kNone) {
            i_ = end;
            return Kind::String;
          }
          break;
        }
        if (Is(SqlDialect::MySql) && r_.dollarQuotes) {
          if (const std::size_t end = EndOfDollarQuote(); end != kNone) {
            i_ = end;
            return Kind::String;
          }
        }
        if (Is(SqlDialect::Sqlite)) return ScanSqliteVariable();
        if (Is(SqlDialect::Standard)) break;
        return ScanWord();  // MySQL and SQL Server names may start with '$'
      case '?':
        i_ = SkipDigits(i_ + 1);
        return Kind::Parameter;
      case ':':
      case '@':
      case '#':
        if (Is(SqlDialect::Sqlite)) return ScanSqliteVariable();
        if (c != ':' && Is(SqlDialect::SqlServer)) return ScanWord();
        break;
      default:
        if (IsDigit(c) || (c == '.' && i_ + 1 < n_ && IsDigit(Byte(i_ + 1)))) return ScanNumber();
        if (IsNameStart(c)) return ScanWord();
        break;
    }
    ++i_;
    return Kind::Other;
  }

  std::size_t SkipDigits(std::size_t p) const {
    while (p < n_ && IsDigit(Byte(p))) ++p;
    return p;
  }

  // Digits, a fraction and an exponent only when digits follow its "e": PostgreSQL reads
  // 1E'x' as the number 1 and the escape string E'x'.
  Kind ScanNumber() {
    std::size_t p = SkipDigits(i_);
    if (ByteIs(p, '.')) p = SkipDigits(p + 1);
    if (ByteIs(p, 'e') || ByteIs(p, 'E')) {
      std::size_t q = p + 1;
      if (ByteIs(q, '+') || ByteIs(q, '-')) ++q;
      if (q < n_ && IsDigit(Byte(q))) p = SkipDigits(q);
    }
    // MySQL names may start with digits; SQLite takes the rest of the name into a bad number.
    const bool glued = Is(SqlDialect::MySql) || Is(SqlDialect::Sqlite);
    if (glued && p < n_ && IsNamePart(Byte(p))) {
      while (p < n_ && IsNamePart(Byte(p))) ++p;
      i_ = p;
      return Is(SqlDialect::MySql) ? Kind::Word : Kind::Number;
    }
    i_ = p;
    return Kind::Number;
  }

  // A letter glued to a quote makes one string: in PostgreSQL E'...' takes backslash escapes
  // and B'...' and X'...' none at all, not even ''.
  Kind ScanWord() {
    const unsigned char c = Byte(i_) | 0x20;
    if (ByteIs(i_ + 1, '\'')) {
      if (Is(SqlDialect::PostgreSql)) {
        if (c == 'e') return ScanString(i_ + 2, Escapes::Backslash);
        if (c == 'b' || c == 'x') return ScanString(i_ + 2, Escapes::None);
        if (c == 'n') return ScanString(i_ + 2);
      } else if (c == 'n' || c == 'b' || c == 'x') {
        return ScanString(i_ + 2);
      }
    }
    const bool unicode = Is(SqlDialect::PostgreSql) || Is(SqlDialect::Standard);
    if (unicode && c == 'u' && ByteIs(i_ + 1, '&') &&
        (ByteIs(i_ + 2, '\'') || ByteIs(i_ + 2, '"'))) {
      if (s_[i_ + 2] == '\'') return ScanString(i_ + 3, Escapes::Doubled);
      i_ = EndOfQuoted(i_ + 3, '"', Escapes::Doubled);
      return Kind::QuotedName;
    }
    const bool tsql = Is(SqlDialect::SqlServer);
    ++i_;
    while (i_ < n_ && (IsNamePart(Byte(i_)) || (tsql && (s_[i_] == '@' || s_[i_] == '#')))) ++i_;
    return Kind::Word;
  }

  Escapes SingleQuoteEscapes() const {
    const bool backslash = Is(SqlDialect::MySql) || Is(SqlDialect::PostgreSql);
    return backslash && r_.backslash ? Escapes::Backslash : Escapes::Doubled;
  }

  Kind ScanString(std::size_t body) { return ScanString(body, SingleQuoteEscapes()); }

  Kind ScanString(std::size_t body, Escapes escapes) {
    std::size_t p = EndOfQuoted(body, '\'', escapes);
    // PostgreSQL joins 'a' <newline> 'b' into one literal, read with the first one's escapes.
    while (Is(SqlDialect::PostgreSql) && p < n_) {
      const std::size_t next = ContinuedQuote(p);
      if (next == kNone) break;
      p = EndOfQuoted(next + 1, '\'', escapes);
    }
    i_ = p;
    return Kind::String;
  }

  // Where the quoted text that starts at `p` ends (just past its closing quote), or the end.
  std::size_t EndOfQuoted(std::size_t p, char quote, Escapes escapes) const {
    const char stops[] = {quote, '\\', '\0'};
    const std::string_view find(stops, escapes == Escapes::Backslash ? 2 : 1);
    for (;;) {
      const std::size_t k = s_.find_first_of(find, p);
      if (k == kNone) return n_;
      if (s_[k] == '\\') {
        p = std::min(k + 2, n_);
      } else if (escapes != Escapes::None && k + 1 < n_ && s_[k + 1] == quote) {
        p = k + 2;
      } else {
        return k + 1;
      }
    }
  }

  // Whitespace holding a newline (and "--" comments) between two quotes continues a literal.
  std::size_t ContinuedQuote(std::size_t p) const {
    bool newline = false;
    while (p < n_) {
      const char c = s_[p];
      if (c == '\n' || c == '\r') {
        newline = true;
        ++p;
      } else if (IsSpace(static_cast<unsigned char>(c))) {
        ++p;
      } else if (c == '-' && ByteIs(p + 1, '-')) {
        p += 2;
        while (p < n_ && s_[p] != '\n' && s_[p] != '\r') ++p;
      } else {
        break;
      }
    }
    return newline && ByteIs(p, '\'') ? p : kNone;
  }

  // $tag$ ... $tag$, the tag a name without '$'; kNone when no tag starts here.
  std::size_t EndOfDollarQuote() const {
    std::size_t p = i_ + 1;
    if (p < n_ && IsNameStart(Byte(p))) {
      ++p;
      while (p < n_ && (IsNameStart(Byte(p)) || IsDigit(Byte(p)))) ++p;
    }
    if (!ByteIs(p, '$')) return kNone;
    const std::string_view tag = s_.substr(i_, p + 1 - i_);
    const std::size_t close = s_.find(tag, p + 1);
    return close == kNone ? n_ : close + tag.size();
  }

  // SQLite's $name, :name, @name and #name, where a Tcl-style "(...)" suffix runs to the next
  // blank or ')' whatever it holds, quotes and semicolons included.
  Kind ScanSqliteVariable() {
    std::size_t p = i_ + 1;
    bool named = false;
    while (p < n_) {
      const unsigned char c = Byte(p);
      if (IsNamePart(c)) {
        named = true;
        ++p;
      } else if (c == '(' && named) {
        ++p;
        while (p < n_ && !IsSpace(Byte(p)) && s_[p] != ')') ++p;
        if (ByteIs(p, ')')) ++p;
        break;
      } else if (c == ':' && ByteIs(p + 1, ':')) {
        p += 2;
      } else {
        break;
      }
    }
    if (!named) p = i_ + 1;
    i_ = p;
    return named ? Kind::Parameter : Kind::Other;
  }

  std::string_view s_;
  std::size_t n_;
  Reading r_;
  int choice_;
  std::size_t i_ = 0;
  int doubts_ = 0;
  int options_ = 1;
  bool inExec_ = false;  // MySQL: inside /*! ... */
};

std::size_t CountWith(Lexer& lexer) {
  std::size_t count = 0;
  bool inPiece = false;
  SqlToken token{};
  while (lexer.Next(&token)) {
    if (token.kind == Kind::Semicolon) {
      if (inPiece) ++count;
      inPiece = false;
    } else {
      inPiece = true;
    }
  }
  return count + (inPiece ? 1 : 0);
}

bool WordIs(const SqlToken& token, std::string_view word) {
  if (token.kind != Kind::Word || token.text.size() != word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    char c = token.text[k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[k]) return false;
  }
  return true;
}

bool OtherIs(const SqlToken& token, char c) {
  return token.kind == Kind::Other && token.text.size() == 1 && token.text[0] == c;
}

// Words with which T-SQL starts a statement that changes something, and that no query holds.
constexpr std::string_view kTsqlStarts[] = {
    "ALTER",  "BACKUP",   "CREATE",   "DBCC",   "DELETE",     "DENY",     "DISABLE",     "DROP",
    "ENABLE", "EXEC",     "EXECUTE",  "GRANT",  "INSERT",     "KILL",     "RECONFIGURE", "RESTORE",
    "REVOKE", "SHUTDOWN", "TRUNCATE", "UPDATE", "UPDATETEXT", "WRITETEXT"};

// Whether `word` starts a second T-SQL statement, seen between `before` and `after`. The
// exceptions are places where the word can only be a name to other servers and where SQL
// Server would reject the batch instead: after "." or AS, FROM or JOIN; FOR UPDATE; MySQL's
// INSERT() and TRUNCATE() functions; SHOW CREATE.
bool StartsTsqlStatement(const SqlToken& before, std::size_t index, const SqlToken& word,
                         const SqlToken* after, const SqlToken& first) {
  const auto known = std::find_if(std::begin(kTsqlStarts), std::end(kTsqlStarts),
                                  [&](std::string_view w) { return WordIs(word, w); });
  if (known == std::end(kTsqlStarts) || index == 0) return false;
  if (OtherIs(before, '.') || (after != nullptr && OtherIs(*after, '.'))) return false;
  for (std::string_view w : {"AS", "FROM", "JOIN", "FOR", "KEY"}) {
    if (WordIs(before, w)) return false;
  }
  if (*known == "INSERT" || *known == "TRUNCATE") {
    if (after != nullptr && OtherIs(*after, '(')) return false;
  }
  if (*known == "DISABLE" || *known == "ENABLE") {
    return after != nullptr && WordIs(*after, "TRIGGER");
  }
  return !(*known == "CREATE" && index == 1 && WordIs(first, "SHOW"));
}

// The first bare word at which SQL Server would start another statement, or "".
std::string_view TsqlSecondStatement(std::string_view text, const Reading& reading, int choice) {
  Lexer lexer(text, reading, choice);
  SqlToken before{}, current{}, next{}, first{};
  std::size_t index = 0;  // of `current` within its statement
  bool have = false;
  for (;;) {
    const bool more = lexer.Next(&next);
    if (have && current.kind != Kind::Semicolon &&
        StartsTsqlStatement(before, index, current, more ? &next : nullptr, first)) {
      return current.text;
    }
    if (!more) return {};
    index = !have || current.kind == Kind::Semicolon ? 0 : index + 1;
    if (index == 0) first = next;
    before = current;
    current = next;
    have = true;
  }
}

bool Refuse(std::string* reason, std::string text) {
  if (reason != nullptr) *reason = std::move(text);
  return false;
}

}  // namespace

std::vector<SqlToken> TokenizeSql(std::string_view text, SqlDialect dialect) {
  std::vector<SqlToken> tokens;
  Lexer lexer(text, UsualReading(dialect));
  SqlToken token{};
  while (lexer.Next(&token)) tokens.push_back(token);
  return tokens;
}

std::size_t CountStatements(std::string_view text, SqlDialect dialect) {
  Lexer lexer(text, UsualReading(dialect));
  return CountWith(lexer);
}

bool HoldsOneStatement(std::string_view text, std::string* reason, bool semicolonsOnly) {
  bool doubtful = false, someEmpty = false, someOne = false;
  std::string_view tsqlWord;
  for (const Reading& reading : kReadings) {
    int options = 1;
    for (int choice = 0; choice < options; ++choice) {
      Lexer lexer(text, reading, choice);
      const std::size_t count = CountWith(lexer);
      if (count > 1) {
        return Refuse(reason, "The text holds more than one statement; run them one at a time.");
      }
      if (choice == 0) options = lexer.firstDoubtOptions();
      doubtful = doubtful || lexer.doubts() > 1;
      (count == 0 ? someEmpty : someOne) = true;
      if (count == 1 && !semicolonsOnly && reading.dialect == SqlDialect::SqlServer &&
          tsqlWord.empty()) {
        tsqlWord = TsqlSecondStatement(text, reading, choice);
      }
    }
  }
  if (!tsqlWord.empty()) {
    return Refuse(reason,
                  "The text may hold more than one statement: SQL Server would start "
                  "another at \"" +
                      std::string(tsqlWord) + "\"; run them one at a time.");
  }
  if (doubtful) {
    return Refuse(reason,
                  "The text holds comments that databases read in different ways (versioned "
                  "comments, hints, or \"--\" before an unusual character); remove them.");
  }
  if (!someOne) return Refuse(reason, "The text holds no statement.");
  if (someEmpty) {
    return Refuse(reason,
                  "Some databases read the whole text as comments; write the statement outside "
                  "them.");
  }
  return true;
}

std::vector<std::string> StatementWords(std::string_view text, SqlDialect dialect) {
  std::vector<std::string> words;
  Lexer lexer(text, UsualReading(dialect));
  SqlToken token{};
  bool started = false;
  while (lexer.Next(&token)) {
    if (token.kind == Kind::Semicolon) {
      if (started) break;
      continue;
    }
    started = true;
    if (token.kind != Kind::Word) continue;
    std::string word(token.text);
    for (char& c : word) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace quillet::db
