#pragma once
// SqlHighlighter: colours the SQL editor's text as it is typed. Keywords, quoted strings and
// comments each get their own format; the rest keeps the base format.
//
// The scan works on bytes of UTF-8 text whose line ends are single carriage returns, one per
// paragraph, as the editor hands its text over (see NormaliseLineEnds). A line feed is an
// ordinary character to it. Bytes 128 to 255 have no meaning of their own and do not end a word.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sqlwindow/char_format.h"
#include "sqlwindow/sql_colouring.h"

namespace quillet::sqlwindow {

constexpr Rgb kCommentColour{0, 170, 0};
constexpr Rgb kStringColour{55, 0, 200};
constexpr Rgb kKeywordColour{0, 0, 255};

// The words coloured as keywords, all lower case and matched with their case.
inline constexpr const char* kSqlKeywords =
    "alter,database,dbarea,password,stogroup,table,audit,message,check,index,comment,on,commit,"
    "create,event,synonym,trigger,view,deinstall,delete,drop,grant,insert,install,label,load,"
    "lock,procedure,revoke,rollback,rowcount,savepoint,select,set,default,start,stop,unload,"
    "unlock,update,statistics,from,into,order,where,like,set,by";

class SqlHighlighter {
 public:
  struct Keyword {
    std::string text;
    CharFormat format;
  };

  SqlHighlighter();

  // Adds each word of a comma-separated list (empty pieces are skipped) in the given colour. A
  // word already known takes the new colour. A word must not begin with a quote or a slash, or
  // it would hide the start of strings and comments.
  void AddKeywords(std::string_view list, Rgb colour);

  // Colours the inclusive range [first, last] of the text; (0, -1) is the whole text, and any
  // negative last runs to the end. A range reaching past the text is cut at its end. Every
  // position in the result is a byte offset into text.
  Colouring Colour(std::string_view text, std::ptrdiff_t first, std::ptrdiff_t last) const;

  const CharFormat& BaseFormat() const { return base_; }
  const CharFormat& CommentFormat() const { return comment_; }
  const CharFormat& StringFormat() const { return string_; }
  // The format a keyword range of this colour is given: the base format in that colour.
  CharFormat KeywordFormat(Rgb colour) const;
  // The format a range of the result is to be given.
  CharFormat FormatOf(const ColouredRange& range) const;

  // In ascending byte order of their text, each word once.
  const std::vector<Keyword>& Keywords() const { return keywords_; }

 private:
  using CharTable = std::array<std::uint8_t, 256>;

  void FillTables();
  void IndexKeywords();
  // Tries the keywords at scan[i] (scan index k lies at text position start - 1 + k). On a match
  // adds the range and returns the index just past the word, otherwise returns i.
  std::size_t MatchKeyword(std::string_view scan, std::size_t i, std::size_t start,
                           std::vector<ColouredRange>& ranges) const;

  CharFormat base_;
  CharFormat comment_;
  CharFormat string_;

  CharTable normal_{};
  CharTable double_quoted_{};
  CharTable single_quoted_{};
  CharTable line_comment_{};
  CharTable block_comment_{};
  CharTable delimiter_{};

  std::vector<Keyword> keywords_;
  // Entries whose text begins with byte c are keywords_[by_first_byte_[c], by_first_byte_[c + 1]).
  std::array<std::uint32_t, 257> by_first_byte_{};
};

}  // namespace quillet::sqlwindow
