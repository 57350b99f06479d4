#pragma once
// The SQL pane: an editor in which the user writes a query, coloured as it is typed. Every
// change of the text recolours all of it; the pane also gives the query to Execute and takes the
// text a loading job leaves behind. Above the editor a drop-down offers the queries executed on
// the connection, which Ctrl+Up and Ctrl+Down also step through.

#include <QWidget>

#include <string>

#include "config/registry_store.h"
#include "sqlwindow/query_history.h"
#include "sqlwindow/sql_highlighter.h"

class QPlainTextEdit;
class QPushButton;

namespace quillet::ui {

class QueryHistoryMenu;

class SqlPane : public QWidget {
  Q_OBJECT
 public:
  explicit SqlPane(QWidget* parent = nullptr);

  QPlainTextEdit* Editor() const { return editor_; }
  const sqlwindow::SqlHighlighter& Highlighter() const { return highlighter_; }

  // The whole text, UTF-8, one carriage return per line end; empty for an empty editor.
  std::string GetQueryText() const;
  // Empties the editor as one step the user can undo.
  void ClearQueryText();
  // Puts the caret after the last character and inserts the text there. This cannot be undone,
  // and what went before it can no longer be undone either: an undo would otherwise take back
  // edits from under text it never saw.
  void AppendQueryText(const std::string& text);

  // Colours the whole text again; the change notification runs it.
  void Recolour();

  // The history of the connection of `displayName`, read when it opens; emptied when it closes.
  void LoadHistory(config::RegistryStore& store, const std::string& displayName);
  void UnloadHistory();
  // Keeps an executed query in the history. The store's troubles end here: executing goes on
  // whatever happens to the history.
  void RecordQuery(const std::string& query);
  void ClearHistory();
  const sqlwindow::QueryHistory& History() const { return history_; }
  QPushButton* HistoryButton() const { return historyButton_; }
  QueryHistoryMenu* HistoryMenu() const { return historyMenu_; }

  // Ctrl+Up and Ctrl+Down: the next older or newer entry replaces the text. Past the newest
  // comes back the text the user was typing before stepping.
  void StepOlder();
  void StepNewer();
  // Puts entry `index` (0 = newest) into the editor, as the drop-down does.
  void ShowHistoryEntry(int index);

  QSize sizeHint() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnTextChanged();
  // Replaces the whole text as one step the user can undo, the caret at its end.
  void ReplaceText(const std::string& text);
  void ForgetStepping();

  sqlwindow::SqlHighlighter highlighter_;
  QPlainTextEdit* editor_ = nullptr;
  // Set while the pane changes the colours: the change that causes raises no recolouring.
  bool recolouring_ = false;

  sqlwindow::QueryHistory history_;
  QPushButton* historyButton_ = nullptr;
  QueryHistoryMenu* historyMenu_ = nullptr;
  // The entry shown by stepping, and the text it replaced. Any edit of the user's own makes the
  // text theirs again.
  int historyPosition_ = sqlwindow::QueryHistory::kTyped;
  std::string typedText_;
  bool recalling_ = false;
};

}  // namespace quillet::ui
