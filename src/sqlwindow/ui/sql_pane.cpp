#include "sqlwindow/ui/sql_pane.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cstdio>
#include <exception>

#include "sqlwindow/ui/query_history_menu.h"
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

// Ctrl+Up (-1) or Ctrl+Down (+1), other modifiers off; 0 for any other key.
int HistoryStep(const QKeyEvent* key) {
  if (key->modifiers() != Qt::ControlModifier) return 0;
  if (key->key() == Qt::Key_Up) return -1;
  if (key->key() == Qt::Key_Down) return 1;
  return 0;
}

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

  historyMenu_ = new QueryHistoryMenu(history_, this);
  // A flat button with its menu arrow beside the text: one line high, and plainly a drop-down.
  historyButton_ = new QPushButton(QStringLiteral("History"), this);
  historyButton_->setObjectName(QStringLiteral("sqlHistoryButton"));
  historyButton_->setToolTip(
      QStringLiteral("Queries executed on this connection (Ctrl+Up, Ctrl+Down)"));
  historyButton_->setFlat(true);
  historyButton_->setMenu(historyMenu_);
  historyButton_->setFocusPolicy(Qt::NoFocus);
  historyButton_->setEnabled(false);

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(0, 0, 0, 0);
  bar->addWidget(historyButton_);
  bar->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(bar);
  layout->addWidget(editor_);
  setFocusProxy(editor_);

  connect(editor_, &QPlainTextEdit::textChanged, this, &SqlPane::OnTextChanged);
  connect(historyMenu_, &QueryHistoryMenu::EntryChosen, this, &SqlPane::ShowHistoryEntry);
  connect(historyMenu_, &QueryHistoryMenu::ClearChosen, this, &SqlPane::ClearHistory);
  editor_->installEventFilter(this);
}

QSize SqlPane::sizeHint() const {
  // Room for a few lines of a query above the list.
  const int line = editor_->fontMetrics().lineSpacing();
  return {400, line * 6 + 2 * editor_->frameWidth() + 8 + historyButton_->sizeHint().height()};
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
  if (recolouring_) return;
  if (!recalling_) ForgetStepping();
  Recolour();
}

void SqlPane::Recolour() {
  // The colours live beside the text, so the caret and the selection stay where they are.
  QScopedValueRollback<bool> guard(recolouring_, true);
  DrawingOff drawingOff(editor_);
  RecolourDocument(*editor_->document(), highlighter_);
}

void SqlPane::LoadHistory(config::RegistryStore& store, const std::string& displayName) {
  try {
    history_.Load(store, displayName);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: the query history was not read (%s)\n", e.what());
  }
  ForgetStepping();
  historyButton_->setEnabled(true);
}

void SqlPane::UnloadHistory() {
  history_.Unload();
  ForgetStepping();
  historyButton_->setEnabled(false);
}

void SqlPane::RecordQuery(const std::string& query) {
  try {
    history_.Record(query);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: the query was not kept in the history (%s)\n", e.what());
  }
  ForgetStepping();
}

void SqlPane::ClearHistory() {
  try {
    history_.Clear();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillet: the query history was not cleared (%s)\n", e.what());
  }
  ForgetStepping();
}

void SqlPane::StepOlder() {
  const int older = history_.Older(historyPosition_);
  if (older != historyPosition_) ShowHistoryEntry(older);
}

void SqlPane::StepNewer() {
  if (historyPosition_ == sqlwindow::QueryHistory::kTyped) return;
  const int newer = history_.Newer(historyPosition_);
  if (newer != sqlwindow::QueryHistory::kTyped) {
    ShowHistoryEntry(newer);
    return;
  }
  const std::string typed = std::move(typedText_);
  ReplaceText(typed);
  ForgetStepping();
}

void SqlPane::ShowHistoryEntry(int index) {
  if (index < 0 || index >= static_cast<int>(history_.Size())) return;
  if (historyPosition_ == sqlwindow::QueryHistory::kTyped) typedText_ = GetQueryText();
  ReplaceText(history_.Entries()[static_cast<std::size_t>(index)]);
  historyPosition_ = index;
  editor_->setFocus();
}

bool SqlPane::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
    const int step = HistoryStep(static_cast<QKeyEvent*>(event));
    if (step != 0) {
      // Claimed before any shortcut of the window can take the keys.
      event->accept();
      if (event->type() == QEvent::KeyPress) {
        if (step < 0) {
          StepOlder();
        } else {
          StepNewer();
        }
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SqlPane::ReplaceText(const std::string& text) {
  QScopedValueRollback<bool> guard(recalling_, true);
  QTextCursor cursor = editor_->textCursor();
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.insertText(QString::fromStdString(text));
  cursor.endEditBlock();
  editor_->setTextCursor(cursor);
  editor_->ensureCursorVisible();
}

void SqlPane::ForgetStepping() {
  historyPosition_ = sqlwindow::QueryHistory::kTyped;
  typedText_.clear();
}

}  // namespace quillet::ui
