#include "tabledata/ui/cell_colors.h"

#include <cstdlib>

namespace quillet::ui {
namespace {

int BlendChannel(int h, int t, double factor) {
  return static_cast<int>((t - h) * factor + h);
}

// A base colour darker than mid-grey marks a dark colour scheme.
bool IsDark(const QColor& base) {
  return qGray(base.rgb()) < 128;
}

}  // namespace

QColor BlendToward(const QColor& highlight, double factor, const QColor& toward) {
  return QColor(BlendChannel(highlight.red(), toward.red(), factor),
                BlendChannel(highlight.green(), toward.green(), factor),
                BlendChannel(highlight.blue(), toward.blue(), factor));
}

QColor BlendWithWhite(const QColor& highlight, double factor) {
  return BlendToward(highlight, factor, QColor(255, 255, 255));
}

CellRole RoleOfCell(int row, int column, int cursorRow, int cursorColumn, bool fullRow) {
  if (row != cursorRow) return CellRole::kOrdinary;
  if (column == cursorColumn) return CellRole::kCursorCell;
  return fullRow ? CellRole::kCursorRow : CellRole::kOrdinary;
}

CellColors ColorsFor(CellRole role, const QPalette& palette) {
  const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
  const QColor base = palette.color(QPalette::Active, QPalette::Base);
  const QColor toward = IsDark(base) ? base : QColor(255, 255, 255);
  switch (role) {
    case CellRole::kCursorCell: {
      const QColor background = BlendToward(highlight, kCursorCellBlend, toward);
      // The highlight text colour is meant for the full highlight; on the half-blended cursor
      // a light text would hardly read, so a light cursor takes the window text instead.
      const QColor highlightText = palette.color(QPalette::Active, QPalette::HighlightedText);
      const bool readable = std::abs(qGray(background.rgb()) - qGray(highlightText.rgb())) >= 100;
      return {background,
              readable ? highlightText : palette.color(QPalette::Active, QPalette::WindowText)};
    }
    case CellRole::kCursorRow:
      return {BlendToward(highlight, kCursorRowBlend, toward),
              palette.color(QPalette::Active, QPalette::WindowText)};
    case CellRole::kOrdinary:
      break;
  }
  return {BlendToward(highlight, kOrdinaryCellBlend, toward),
          palette.color(QPalette::Active, QPalette::WindowText)};
}

}  // namespace quillet::ui
