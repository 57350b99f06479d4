#include "resources/ui/dialog_hooks.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>

#include <algorithm>

namespace quillet::ui {
namespace {

MessageHandler& CurrentMessageHandler() {
  static MessageHandler handler;
  return handler;
}

FileHandler& CurrentFileHandler() {
  static FileHandler handler;
  return handler;
}

NumberHandler& CurrentNumberHandler() {
  static NumberHandler handler;
  return handler;
}

DialogRunner& CurrentDialogRunner() {
  static DialogRunner runner;
  return runner;
}

QMessageBox::Icon ToQtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kError:
      return QMessageBox::Critical;
    case BoxIcon::kWarning:
      return QMessageBox::Warning;
    case BoxIcon::kInformation:
      return QMessageBox::Information;
    case BoxIcon::kQuestion:
      return QMessageBox::Question;
    case BoxIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void SetDialogRunner(DialogRunner runner) {
  CurrentDialogRunner() = std::move(runner);
}

int RunDialog(QDialog& dialog) {
  if (CurrentDialogRunner()) return CurrentDialogRunner()(dialog);
  return dialog.exec();
}

void SetMessageHandler(MessageHandler handler) {
  CurrentMessageHandler() = std::move(handler);
}
void SetFileHandler(FileHandler handler) {
  CurrentFileHandler() = std::move(handler);
}
void SetNumberHandler(NumberHandler handler) {
  CurrentNumberHandler() = std::move(handler);
}

std::optional<long long> AskNumber(const NumberRequest& request) {
  std::optional<long long> answer;
  if (CurrentNumberHandler()) {
    answer = CurrentNumberHandler()(request);
  } else {
    // The row numbers of a big table pass an int: the text is read as a 64-bit number.
    QInputDialog dialog(request.owner);
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(request.prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString::number(request.value));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    bool ok = false;
    const long long typed = dialog.textValue().remove(QLatin1Char(',')).trimmed().toLongLong(&ok);
    if (!ok) return std::nullopt;
    answer = typed;
  }
  if (!answer) return std::nullopt;
  return std::clamp(*answer, request.minimum, std::max(request.minimum, request.maximum));
}

QMessageBox::StandardButton ShowMessageBox(const MessageRequest& request) {
  if (CurrentMessageHandler()) return CurrentMessageHandler()(request);
  QMessageBox box(ToQtIcon(request.icon), request.caption, request.text,
                  request.buttons == BoxButtons::kYesNo ? QMessageBox::Yes | QMessageBox::No
                  : request.buttons == BoxButtons::kYesNoCancel
                      ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                      : QMessageBox::Ok,
                  request.owner);
  box.setTextFormat(Qt::PlainText);  // the text is shown literally
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& caption,
                                           const QString& text, BoxIcon icon, BoxButtons buttons) {
  return ShowMessageBox(MessageRequest{owner, caption, text, icon, buttons});
}

QString ChooseFile(const FileRequest& request) {
  if (CurrentFileHandler()) return CurrentFileHandler()(request);
  QFileDialog dialog(request.owner, request.title, QString(), request.filter);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Saving asks before replacing a file; opening accepts a name that does not exist yet, as the
  // open dialog of data links always has (the open then reports the missing file).
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.defaultExtension);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

}  // namespace quillet::ui
