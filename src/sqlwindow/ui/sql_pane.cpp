#include "sqlwindow/ui/sql_pane.h"

#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "sqlwindow/ui/sql_document_colouring.h"

namespace quillet::ui {
namespace {

// Holds off drawing of a widget until the scope ends, then draws it once.
class DrawingOff {
 public:
  explicit DrawingOff(QWidget* widget) : widget_(widget), was_(widget->updatesEnabled()) {
    widget_->setUpdatesEnabled(false);
  }
  // Turning drawing back on draws the widget anew.
  ~DrawingOff() { widget_->setUpdatesEnabled(was_); }
  DrawingOff(const DrawingOff&) = delete;
  DrawingOff& operator=(const DrawingOff&) = delete;

 private:
  QWidget* widget_;
  bool was_;
};

}  // namespace

SqlPane::SqlPane(QWidget* parent) : QWidget(parent) {
  editor_ = new QPlainTextEdit(this);
  editor_->setObjectName(QStringLiteral("sqlEditor"));
  editor_->setFrameShape(QFrame::Box);
  editor_->setFrameShadow(QFrame::Plain);
  editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // Long lines wrap at the pane's edge, as the pane has no horizontal scroll bar.
  editor_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  // The text is black on white whatever the desktop's colours: the format says black.
  const QFont font = FontOf(highlighter_.BaseFormat());
  editor_->setFont(font);
  editor_->document()->setDefaultFont(font);
  QPalette palette = editor_->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  editor_->setPalette(palette);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(editor_);
  setFocusProxy(editor_);

  connect(editor_, &QPlainTextEdit::textChanged, this, &SqlPane::OnTextChanged);
}

QSize SqlPane::sizeHint() const {
  // Room for a few lines of a query above the list.
  const int line = editor_->fontMetrics().lineSpacing();
  return {400, line * 6 + 2 * editor_->frameWidth() + 8};
}

std::string SqlPane::GetQueryText() const {
  return ScanTextOf(*editor_->document());
}

void SqlPane::ClearQueryText() {
  DrawingOff drawingOff(editor_);
  QTextCursor cursor = editor_->textCursor();
  cursor.select(QTextCursor::Document);
  cursor.removeSelectedText();
  editor_->setTextCursor(cursor);
}

void SqlPane::AppendQueryText(const std::string& text) {
  QTextDocument* document = editor_->document();
  QTextCursor cursor = editor_->textCursor();
  cursor.movePosition(QTextCursor::End);
  const bool undo = document->isUndoRedoEnabled();
  // Turning the history off also empties it.
  document->setUndoRedoEnabled(false);
  cursor.insertText(QString::fromStdString(text));
  document->setUndoRedoEnabled(undo);
  editor_->setTextCursor(cursor);
}

void SqlPane::OnTextChanged() {
  if (!recolouring_) Recolour();
}

void SqlPane::Recolour() {
  // The colours live beside the text, so the caret and the selection stay where they are.
  QScopedValueRollback<bool> guard(recolouring_, true);
  DrawingOff drawingOff(editor_);
  RecolourDocument(*editor_->document(), highlighter_);
}

}  // namespace quillet::ui
