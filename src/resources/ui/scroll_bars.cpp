#include "resources/ui/scroll_bars.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace quillet::ui {

void SetFlatScrollBars(QAbstractScrollArea* area, bool flat) {
  static const QString kFlat = QStringLiteral(
      "QScrollBar { border: none; background: palette(base); margin: 0; }"
      "QScrollBar:vertical { width: 10px; } QScrollBar:horizontal { height: 10px; }"
      "QScrollBar::handle { background: palette(mid); border: none; }"
      "QScrollBar::handle:vertical { min-height: 24px; }"
      "QScrollBar::handle:horizontal { min-width: 24px; }"
      "QScrollBar::add-line, QScrollBar::sub-line { border: none; background: none; width: 0; "
      "height: 0; }"
      "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
  for (QScrollBar* bar : {area->verticalScrollBar(), area->horizontalScrollBar()}) {
    bar->setStyleSheet(flat ? kFlat : QString());
  }
}

}  // namespace quillet::ui
