#include "sqlwindow/ui/sql_document_colouring.h"

#include <QBrush>
#include <QColor>
#include <QList>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

#include "sqlwindow/sql_highlighter.h"
#include "sqlwindow/sql_text_positions.h"

namespace quillet::ui {
namespace {

using sqlwindow::CharFormat;

// The pitch-and-family byte of a format: pitch in the low two bits, family in the high nibble.
constexpr std::uint8_t kFixedPitch = 0x01;
constexpr std::uint8_t kFamilyRoman = 0x10;
constexpr std::uint8_t kFamilySwiss = 0x20;
constexpr std::uint8_t kFamilyModern = 0x30;
constexpr std::uint8_t kFamilyScript = 0x40;
constexpr std::uint8_t kFamilyDecorative = 0x50;

QFont::StyleHint HintOf(std::uint8_t pitchAndFamily) {
  switch (pitchAndFamily & 0xF0) {
    case kFamilyRoman:
      return QFont::Serif;
    case kFamilySwiss:
      return QFont::SansSerif;
    case kFamilyModern:
      return QFont::TypeWriter;
    case kFamilyScript:
      return QFont::Cursive;
    case kFamilyDecorative:
      return QFont::Decorative;
    default:
      break;
  }
  return QFont::AnyStyle;
}

QColor ColourOf(const sqlwindow::Rgb& rgb) {
  return QColor(rgb.red, rgb.green, rgb.blue);
}

// The Qt formats of the highlighter's ranges, made once per colouring. Keywords all share one
// colour unless more were added; each colour gets its format once.
class FormatTable {
 public:
  explicit FormatTable(const sqlwindow::SqlHighlighter& highlighter)
      : highlighter_(highlighter),
        base_(QtFormatOf(highlighter.BaseFormat())),
        comment_(QtFormatOf(highlighter.CommentFormat())),
        string_(QtFormatOf(highlighter.StringFormat())) {}

  const QTextCharFormat& Base() const { return base_; }

  const QTextCharFormat& Of(const sqlwindow::ColouredRange& range) {
    switch (range.kind) {
      case sqlwindow::FormatKind::Comment:
        return comment_;
      case sqlwindow::FormatKind::String:
        return string_;
      case sqlwindow::FormatKind::Base:
        return base_;
      case sqlwindow::FormatKind::Keyword:
        break;
    }
    for (const auto& [colour, format] : keywords_)
      if (colour == range.colour) return format;
    keywords_.emplace_back(range.colour, QtFormatOf(highlighter_.FormatOf(range)));
    return keywords_.back().second;
  }

 private:
  const sqlwindow::SqlHighlighter& highlighter_;
  QTextCharFormat base_;
  QTextCharFormat comment_;
  QTextCharFormat string_;
  std::vector<std::pair<sqlwindow::Rgb, QTextCharFormat>> keywords_;
};

}  // namespace

QFont FontOf(const CharFormat& format) {
  QFont font;
  if (format.Applies(sqlwindow::CFM_FACE)) {
    font.setFamilies({QString::fromStdString(format.face)});
    // A face that is not installed is replaced the way the format asks: by its pitch and
    // family. The editor's format asks for a fixed pitch.
    font.setStyleHint(HintOf(format.pitch_and_family));
    font.setFixedPitch((format.pitch_and_family & 0x03) == kFixedPitch);
  }
  if (format.Applies(sqlwindow::CFM_SIZE)) font.setPointSizeF(format.PointSize());
  if (format.Applies(sqlwindow::CFM_BOLD))
    font.setBold((format.effects & sqlwindow::CFE_BOLD) != 0);
  if (format.Applies(sqlwindow::CFM_ITALIC))
    font.setItalic((format.effects & sqlwindow::CFE_ITALIC) != 0);
  if (format.Applies(sqlwindow::CFM_UNDERLINE))
    font.setUnderline((format.effects & sqlwindow::CFE_UNDERLINE) != 0);
  if (format.Applies(sqlwindow::CFM_STRIKEOUT))
    font.setStrikeOut((format.effects & sqlwindow::CFE_STRIKEOUT) != 0);
  return font;
}

QTextCharFormat QtFormatOf(const CharFormat& format) {
  QTextCharFormat result;
  if (format.Applies(sqlwindow::CFM_FACE)) {
    const QFont font = FontOf(format);
    result.setFontFamilies(font.families());
    result.setFontStyleHint(font.styleHint());
    result.setFontFixedPitch(font.fixedPitch());
  }
  if (format.Applies(sqlwindow::CFM_SIZE)) result.setFontPointSize(format.PointSize());
  if (format.Applies(sqlwindow::CFM_BOLD))
    result.setFontWeight((format.effects & sqlwindow::CFE_BOLD) != 0 ? QFont::Bold : QFont::Normal);
  if (format.Applies(sqlwindow::CFM_ITALIC))
    result.setFontItalic((format.effects & sqlwindow::CFE_ITALIC) != 0);
  if (format.Applies(sqlwindow::CFM_UNDERLINE))
    result.setFontUnderline((format.effects & sqlwindow::CFE_UNDERLINE) != 0);
  if (format.Applies(sqlwindow::CFM_STRIKEOUT))
    result.setFontStrikeOut((format.effects & sqlwindow::CFE_STRIKEOUT) != 0);
  if (format.Applies(sqlwindow::CFM_COLOR)) result.setForeground(QBrush(ColourOf(format.colour)));
  if (format.Applies(sqlwindow::CFM_OFFSET)) {
    // Only the baseline itself is ever asked for; raised or lowered text reads as super- or
    // subscript.
    result.setVerticalAlignment(format.offset > 0   ? QTextCharFormat::AlignSuperScript
                                : format.offset < 0 ? QTextCharFormat::AlignSubScript
                                                    : QTextCharFormat::AlignNormal);
  }
  return result;
}

int ApplyColouring(QTextDocument& document, const sqlwindow::Colouring& colouring,
                   const sqlwindow::SqlHighlighter& highlighter) {
  FormatTable table(highlighter);
  int changed = 0;
  int dirtyFrom = -1;
  int dirtyTo = -1;
  auto next = colouring.ranges.begin();
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    // The paragraph's text, without its end (a comment that takes the line end along ends here).
    const auto start = static_cast<std::size_t>(block.position());
    const std::size_t end = start + static_cast<std::size_t>(block.length() - 1);
    QList<QTextLayout::FormatRange> formats;
    const auto add = [&](std::size_t a, std::size_t b, const QTextCharFormat& format) {
      a = std::max(a, start);
      b = std::min(b, end);
      if (b > a) formats.append({static_cast<int>(a - start), static_cast<int>(b - a), format});
    };
    // The base format first, so everything coloured before is gone; later ranges win.
    if (colouring.base_applied) add(colouring.base_start, colouring.base_end, table.Base());
    // Ranges are in text order: those that end before this paragraph are done with.
    while (next != colouring.ranges.end() && next->end <= start) ++next;
    for (auto it = next; it != colouring.ranges.end() && it->start < end; ++it)
      add(it->start, it->end, table.Of(*it));

    QTextLayout* layout = block.layout();
    if (layout == nullptr || layout->formats() == formats) continue;
    layout->setFormats(formats);
    ++changed;
    if (dirtyFrom < 0) dirtyFrom = block.position();
    dirtyTo = block.position() + block.length();
  }
  // One new layout for the paragraphs that changed, rather than one per paragraph.
  if (dirtyFrom >= 0) document.markContentsDirty(dirtyFrom, dirtyTo - dirtyFrom);
  return changed;
}

std::string ScanTextOf(const QTextDocument& document) {
  const QByteArray utf8 = document.toPlainText().toUtf8();
  return sqlwindow::NormaliseLineEnds(std::string_view(utf8.constData(), utf8.size())).text;
}

int RecolourDocument(QTextDocument& document, const sqlwindow::SqlHighlighter& highlighter) {
  // The document's plain text counts every paragraph end as one position, as the layout does.
  const QByteArray utf8 = document.toPlainText().toUtf8();
  const sqlwindow::NormalisedText text =
      sqlwindow::NormaliseLineEnds(std::string_view(utf8.constData(), utf8.size()));
  const sqlwindow::Colouring colouring =
      sqlwindow::MapToUtf16(highlighter.Colour(text.text, 0, -1), text.positions);
  return ApplyColouring(document, colouring, highlighter);
}

}  // namespace quillet::ui
