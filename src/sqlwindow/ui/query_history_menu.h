#pragma once
// The SQL pane's history drop-down: the connection's queries, newest first, each on one line
// (cut with an ellipsis when long, the whole text as its tool tip), then "Clear history". It is
// filled anew each time it opens, so it always shows the history as it stands.

#include <QMenu>

#include <string>

namespace quillet::sqlwindow {
class QueryHistory;
}

namespace quillet::ui {

class QueryHistoryMenu : public QMenu {
  Q_OBJECT
 public:
  QueryHistoryMenu(const sqlwindow::QueryHistory& history, QWidget* parent = nullptr);

  // The line shown for a query: its lines and runs of blanks each made one space.
  static QString OneLine(const std::string& query);

 signals:
  // `index` into the history's entries (0 = newest).
  void EntryChosen(int index);
  void ClearChosen();

 private:
  void Fill();

  const sqlwindow::QueryHistory& history_;
};

}  // namespace quillet::ui
