#pragma once
// The SQL pane: an editor in which the user writes a query, coloured as it is typed. Every
// change of the text recolours all of it; the pane also gives the query to Execute and takes the
// text a loading job leaves behind.

#include <QWidget>

#include <string>

#include "sqlwindow/sql_highlighter.h"

class QPlainTextEdit;

namespace quillet::ui {

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

  QSize sizeHint() const override;

 private:
  void OnTextChanged();

  sqlwindow::SqlHighlighter highlighter_;
  QPlainTextEdit* editor_ = nullptr;
  // Set while the pane changes the colours: the change that causes raises no recolouring.
  bool recolouring_ = false;
};

}  // namespace quillet::ui
