#include "layout/ui/tool_bands.h"

#include <QMainWindow>
#include <QToolBar>

#include <algorithm>
#include <string>
#include <tuple>

#include "layout/ui/dock_panes.h"

namespace quillet::ui {
namespace {

// Indexes into `bars` in the order the window shows them, row by row.
std::vector<int> BandOrder(QMainWindow& window, const BandBars& bars) {
  std::vector<int> hidden;
  for (int i = 0; i < layout::kBandCount; ++i)
    if (bars[i] != nullptr && bars[i]->isHidden()) {
      hidden.push_back(i);
      bars[i]->show();
    }
  Relayout(window);
  std::vector<int> order;
  for (int i = 0; i < layout::kBandCount; ++i)
    if (bars[i] != nullptr) order.push_back(i);
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    const QRect ra = bars[a]->geometry();
    const QRect rb = bars[b]->geometry();
    return std::tuple(ra.y(), ra.x(), a) < std::tuple(rb.y(), rb.x(), b);
  });
  if (!hidden.empty()) {
    for (int i : hidden) bars[i]->hide();
    Relayout(window);
  }
  return order;
}

}  // namespace

BandBars FindBandBars(QMainWindow& window) {
  BandBars bars{};
  for (int i = 0; i < layout::kBandCount; ++i)
    bars[i] = window.findChild<QToolBar*>(
        QString::number(layout::kFirstBandId + static_cast<unsigned>(i)),
        Qt::FindDirectChildrenOnly);
  return bars;
}

std::vector<layout::ToolBand> CaptureBands(QMainWindow& window, const BandBars& bars) {
  const std::vector<int> order = BandOrder(window, bars);
  std::vector<layout::ToolBand> bands;
  for (int i = 0; i < layout::kBandCount; ++i) {
    if (bars[i] == nullptr) break;  // the values name bands by position from the first id on
    const auto position = std::find(order.begin(), order.end(), i) - order.begin();
    bands.push_back({static_cast<unsigned>(position), window.toolBarBreak(bars[i]),
                     static_cast<unsigned>(bars[i]->width())});
  }
  return bands;
}

void RestoreBands(QMainWindow& window, const BandBars& bars,
                  const std::vector<layout::ToolBand>& stored) {
  std::vector<int> order = BandOrder(window, bars);
  if (order.empty()) return;
  bool newRow[layout::kBandCount] = {};
  for (int i : order) newRow[i] = window.toolBarBreak(bars[i]);
  for (std::size_t i = 0; i < stored.size() && i < bars.size(); ++i) {
    if (bars[i] == nullptr) continue;
    auto at = std::find(order.begin(), order.end(), static_cast<int>(i));
    order.erase(at);
    const std::size_t target = std::min<std::size_t>(stored[i].position, order.size());
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(target), static_cast<int>(i));
    newRow[i] = stored[i].newRow;
  }

  bool hidden[layout::kBandCount] = {};
  for (int i : order) {
    hidden[i] = bars[i]->isHidden();
    window.removeToolBar(bars[i]);
  }
  for (std::size_t k = 0; k < order.size(); ++k) {
    const int i = order[k];
    if (k > 0 && newRow[i]) window.addToolBarBreak(Qt::TopToolBarArea);
    window.addToolBar(Qt::TopToolBarArea, bars[i]);
    bars[i]->setHidden(hidden[i]);
  }
}

}  // namespace quillet::ui
