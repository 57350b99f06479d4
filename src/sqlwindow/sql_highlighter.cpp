#include "sqlwindow/sql_highlighter.h"

#include <algorithm>
#include <new>

namespace quillet::sqlwindow {

namespace {

// Character classes, one table per scan state.
constexpr std::uint8_t kOpenDoubleQuote = 1;
constexpr std::uint8_t kCloseDoubleQuote = 2;
constexpr std::uint8_t kOpenSingleQuote = 3;
constexpr std::uint8_t kCloseSingleQuote = 4;
constexpr std::uint8_t kSlash = 5;
constexpr std::uint8_t kLineEnd = 6;
constexpr std::uint8_t kStar = 7;
constexpr std::uint8_t kKeywordStart = 8;

enum class ScanState { Normal, DoubleQuoted, SingleQuoted, LineComment, BlockComment };

constexpr std::uint8_t kCarriageReturn = 13;

}  // namespace

SqlHighlighter::SqlHighlighter() {
  base_.mask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR |
               CFM_FACE | CFM_OFFSET | CFM_CHARSET;
  base_.effects = 0;
  base_.height = 200;
  base_.offset = 0;
  base_.colour = Rgb{0, 0, 0};
  base_.charset = 0;
  base_.pitch_and_family = 0x31;
  base_.face = "Times New";

  // Strings and comments change the colour only; the base format under them stays.
  comment_ = base_;
  comment_.mask = CFM_COLOR;
  comment_.colour = kCommentColour;
  string_ = base_;
  string_.mask = CFM_COLOR;
  string_.colour = kStringColour;

  FillTables();
  AddKeywords(kSqlKeywords, kKeywordColour);
}

void SqlHighlighter::FillTables() {
  normal_['"'] = kOpenDoubleQuote;
  normal_['\''] = kOpenSingleQuote;
  normal_['/'] = kSlash;
  double_quoted_['"'] = kCloseDoubleQuote;
  single_quoted_['\''] = kCloseSingleQuote;
  line_comment_[kCarriageReturn] = kLineEnd;
  block_comment_['*'] = kStar;
  for (char c : {'\0', '\t', '\r', ' ', ';', '(', ')', '*', '[', ']', '{', '}'}) {
    delimiter_[static_cast<unsigned char>(c)] = 1;
  }
}

CharFormat SqlHighlighter::KeywordFormat(Rgb colour) const {
  CharFormat format = base_;
  format.colour = colour;
  return format;
}

CharFormat SqlHighlighter::FormatOf(const ColouredRange& range) const {
  switch (range.kind) {
    case FormatKind::Comment:
      return comment_;
    case FormatKind::String:
      return string_;
    case FormatKind::Keyword:
      return KeywordFormat(range.colour);
    case FormatKind::Base:
      break;
  }
  return base_;
}

void SqlHighlighter::AddKeywords(std::string_view list, Rgb colour) {
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view word = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (word.empty()) continue;

    // std::string orders by unsigned bytes, which is the order the look-up index relies on.
    Keyword entry{std::string(word), KeywordFormat(colour)};
    auto at = std::lower_bound(keywords_.begin(), keywords_.end(), entry.text,
                               [](const Keyword& k, const std::string& t) { return k.text < t; });
    if (at != keywords_.end() && at->text == entry.text) {
      *at = std::move(entry);
    } else {
      keywords_.insert(at, std::move(entry));
    }
    normal_[static_cast<unsigned char>(word.front())] = kKeywordStart;
  }
  IndexKeywords();
}

void SqlHighlighter::IndexKeywords() {
  by_first_byte_.fill(0);
  for (const Keyword& k : keywords_) ++by_first_byte_[static_cast<unsigned char>(k.text[0]) + 1];
  for (std::size_t c = 1; c < by_first_byte_.size(); ++c)
    by_first_byte_[c] += by_first_byte_[c - 1];
}

std::size_t SqlHighlighter::MatchKeyword(std::string_view scan, std::size_t i, std::size_t start,
                                         std::vector<ColouredRange>& ranges) const {
  const auto c = static_cast<unsigned char>(scan[i]);
  // The character before a word is at least the leading blank, so scan[i - 1] always exists.
  if (!delimiter_[static_cast<unsigned char>(scan[i - 1])]) return i;
  for (std::uint32_t k = by_first_byte_[c]; k < by_first_byte_[c + 1]; ++k) {
    const Keyword& entry = keywords_[k];
    const std::size_t length = entry.text.size();
    if (scan.compare(i, length, entry.text) != 0) continue;
    // The end of the text ends a word as a delimiter does.
    const std::size_t after = i + length;
    if (after < scan.size() && !delimiter_[static_cast<unsigned char>(scan[after])]) continue;
    ranges.push_back({start + i - 1, start + after - 1, FormatKind::Keyword, entry.format.colour});
    // No keyword begins with a delimiter, so none can match at the new position: stop here. The
    // caller's step then passes over the delimiter that ended the word.
    return after;
  }
  return i;
}

Colouring SqlHighlighter::Colour(std::string_view text, std::ptrdiff_t first,
                                 std::ptrdiff_t last) const {
  Colouring result;
  const auto size = static_cast<std::ptrdiff_t>(text.size());
  // The editor cuts a selection at the end of its text; so do we.
  const std::ptrdiff_t begin = std::clamp<std::ptrdiff_t>(first, 0, size);
  // Compared before adding: last + 1 overflows for the largest last.
  const std::ptrdiff_t end = last < 0 || last >= size ? size : last + 1;
  if (end <= begin) return result;
  const auto start = static_cast<std::size_t>(begin);
  const auto length = static_cast<std::size_t>(end - begin);

  std::string scan;
  try {
    scan.reserve(length + 1);
  } catch (const std::bad_alloc&) {
    return result;  // no room for the text: this change stays uncoloured
  }
  result.base_applied = true;
  result.base_start = start;
  result.base_end = start + length;

  // A leading blank gives the first word a delimiter in front; scan index k lies at text
  // position start - 1 + k, and every range begins at k >= 1.
  scan.push_back(' ');
  scan.append(text.substr(start, length));
  const std::size_t n = scan.size();
  // Peeks one past the end read the terminating zero std::string keeps there.
  const char* s = scan.c_str();
  const auto next_is = [&](std::size_t i, char c) { return s[i + 1] == c; };

  ScanState state = ScanState::Normal;
  std::size_t token = 0;
  auto add = [&](FormatKind kind, std::size_t from, std::size_t to) {
    const Rgb colour = kind == FormatKind::Comment ? comment_.colour : string_.colour;
    result.ranges.push_back({start + from - 1, start + to - 1, kind, colour});
  };

  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    switch (state) {
      case ScanState::Normal:
        switch (normal_[c]) {
          case kOpenDoubleQuote:
            token = i;
            state = ScanState::DoubleQuoted;
            break;
          case kOpenSingleQuote:
            token = i;
            state = ScanState::SingleQuoted;
            break;
          case kSlash:
            if (next_is(i, '/')) {
              token = i++;
              state = ScanState::LineComment;
            } else if (next_is(i, '*')) {
              token = i++;
              state = ScanState::BlockComment;
            }
            break;
          case kKeywordStart:
            i = MatchKeyword(scan, i, start, result.ranges);
            break;
          default:
            break;
        }
        break;
      case ScanState::DoubleQuoted:
        if (double_quoted_[c] == kCloseDoubleQuote) {
          add(FormatKind::String, token, i + 1);
          state = ScanState::Normal;
        }
        break;
      case ScanState::SingleQuoted:
        // A backslash before the quote and another quote after it keep the string open.
        if (single_quoted_[c] == kCloseSingleQuote && !(s[i - 1] == '\\' && next_is(i, '\''))) {
          add(FormatKind::String, token, i + 1);
          state = ScanState::Normal;
        }
        break;
      case ScanState::LineComment:
        // "//" occupies two characters before any line end, so i >= 3 here.
        if (line_comment_[c] == kLineEnd && s[i - 2] != '\\') {
          add(FormatKind::Comment, token, i + 1);
          state = ScanState::Normal;
        }
        break;
      case ScanState::BlockComment:
        if (block_comment_[c] == kStar && next_is(i, '/')) {
          ++i;
          add(FormatKind::Comment, token, i + 1);
          state = ScanState::Normal;
        }
        break;
    }
  }

  // Whatever is still open runs to the end of the range.
  switch (state) {
    case ScanState::DoubleQuoted:
    case ScanState::SingleQuoted:
      add(FormatKind::String, token, n);
      break;
    case ScanState::LineComment:
    case ScanState::BlockComment:
      add(FormatKind::Comment, token, n);
      break;
    case ScanState::Normal:
      break;
  }
  return result;
}

}  // namespace quillet::sqlwindow
