#include "plugins/ui/text_viewer_dialog.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QVBoxLayout>

#include "resources/command_ids.h"
#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"

namespace quillet::plugins::ui {
namespace {

// 284 x 188 dialog units at the usual font.
constexpr QSize kInitialSize(520, 360);

}  // namespace

TextViewerDialog::TextViewerDialog(const QString& text, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Showing data as plain text"));
  setObjectName(QStringLiteral("textViewerDialog"));
  edit_ = new QPlainTextEdit(this);
  edit_->setReadOnly(true);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setFrameShape(QFrame::StyledPanel);
  edit_->setPlainText(text);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  about_ = new QPushButton(QStringLiteral("&About"), this);
  close_ = new QPushButton(QStringLiteral("&Close"), this);
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
  connect(about_, &QPushButton::clicked, this, &TextViewerDialog::ShowProgramAbout);

  // The box grows with the window; the line stays below it; the buttons keep to the corner.
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(about_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(edit_, 1);
  layout->addWidget(line);
  layout->addLayout(buttons);
  setSizeGripEnabled(true);
  resize(kInitialSize);
  setMinimumSize(kInitialSize);
}

void TextViewerDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Centred over its owner.
  if (QWidget* owner = parentWidget()) {
    const QRect frame = owner->window()->frameGeometry();
    move(frame.center() - rect().center());
  }
}

void TextViewerDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // A grip in the corner of a maximized window would resize nothing.
  for (QSizeGrip* grip : findChildren<QSizeGrip*>()) grip->setVisible(!isMaximized());
}

void TextViewerDialog::ShowProgramAbout() {
  // The program's own About box, over the viewer, from the window that owns it when there is
  // one.
  const QString about = QStringLiteral("command%1").arg(quillet::ui::cmd::kAbout);
  if (QWidget* frame = parentWidget() != nullptr ? parentWidget()->window() : nullptr) {
    if (auto* command = frame->findChild<QAction*>(about, Qt::FindDirectChildrenOnly)) {
      command->trigger();
      return;
    }
  }
  quillet::ui::ShowMessageBox(this, QStringLiteral("About Quillet"),
                              QString::fromStdString(LoadResourceString(1)),
                              quillet::ui::BoxIcon::kInformation);
}

}  // namespace quillet::plugins::ui
