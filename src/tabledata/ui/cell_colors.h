#pragma once
// Colours of the data list's cells: the highlight colour blended with white, per channel
// channel = trunc((255 - h) * f + h), so the cursor stands out without hiding the text. Under
// a dark colour scheme the blend goes toward the scheme's base colour instead of white, so the
// light text of such a scheme stays readable; a light scheme's base is white, and nothing
// changes there.

#include <QColor>
#include <QPalette>

namespace quillet::ui {

constexpr double kOrdinaryCellBlend = 0.99;  // nearly white
constexpr double kCursorRowBlend = 0.9;      // the rest of the cursor's row (full-row mode)
constexpr double kCursorCellBlend = 0.5;     // the cursor cell itself

QColor BlendWithWhite(const QColor& highlight, double factor);
// The same toward any colour: channel = trunc((t - h) * f + h).
QColor BlendToward(const QColor& highlight, double factor, const QColor& toward);

enum class CellRole { kOrdinary, kCursorRow, kCursorCell };

// Which of the three looks a cell takes.
CellRole RoleOfCell(int row, int column, int cursorRow, int cursorColumn, bool fullRow);

struct CellColors {
  QColor background;
  QColor text;
};

CellColors ColorsFor(CellRole role, const QPalette& palette);

}  // namespace quillet::ui
