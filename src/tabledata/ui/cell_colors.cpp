#include "tabledata/ui/cell_colors.h"

#include <cstdlib>

namespace quillet::ui {
namespace {

int BlendChannel(int h, double factor) {
  return static_cast<int>((255 - h) * factor + h);
}

}  // namespace

QColor BlendWithWhite(const QColor& highlight, double factor) {
  return QColor(BlendChannel(highlight.red(), factor), BlendChannel(highlight.green(), factor),
                BlendChannel(highlight.blue(), factor));
}

CellRole RoleOfCell(int row, int column, int cursorRow, int cursorColumn, bool fullRow) {
  if (row != cursorRow) return CellRole::kOrdinary;
  if (column == cursorColumn) return CellRole::kCursorCell;
  return fullRow ? CellRole::kCursorRow : CellRole::kOrdinary;
}

CellColors ColorsFor(CellRole role, const QPalette& palette) {
  const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
  switch (role) {
    case CellRole::kCursorCell: {
      const QColor background = BlendWithWhite(highlight, kCursorCellBlend);
      // The highlight text colour is meant for the full highlight; on the half-blended cursor
      // a light text would hardly read, so a light cursor takes the window text instead.
      const QColor highlightText = palette.color(QPalette::Active, QPalette::HighlightedText);
      const bool readable = std::abs(qGray(background.rgb()) - qGray(highlightText.rgb())) >= 100;
      return {background,
              readable ? highlightText : palette.color(QPalette::Active, QPalette::WindowText)};
    }
    case CellRole::kCursorRow:
      return {BlendWithWhite(highlight, kCursorRowBlend),
              palette.color(QPalette::Active, QPalette::WindowText)};
    case CellRole::kOrdinary:
      break;
  }
  return {BlendWithWhite(highlight, kOrdinaryCellBlend),
          palette.color(QPalette::Active, QPalette::WindowText)};
}

}  // namespace quillet::ui
