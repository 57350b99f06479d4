#pragma once
// Every message box and file dialog of the windows goes through here, so tests can answer them
// without a modal loop blocking the run.

#include <QMessageBox>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

class QDialog;

namespace quillet::ui {

enum class BoxIcon { kNone, kError, kWarning, kInformation, kQuestion };
enum class BoxButtons { kOk, kYesNo, kYesNoCancel };

struct MessageRequest {
  QWidget* owner = nullptr;
  QString caption;
  QString text;
  BoxIcon icon = BoxIcon::kNone;
  BoxButtons buttons = BoxButtons::kOk;
};

struct FileRequest {
  QWidget* owner = nullptr;
  bool save = false;
  QString title;
  QString filter;            // "Microsoft UDL files (*.udl)"
  QString defaultExtension;  // added when the chosen name has none
};

struct NumberRequest {
  QWidget* owner = nullptr;
  QString title;
  QString prompt;
  long long value = 1;  // shown first
  long long minimum = 1;
  long long maximum = 1;
};

// A handler returns the button pressed (QMessageBox::Ok, Yes, No).
using MessageHandler = std::function<QMessageBox::StandardButton(const MessageRequest&)>;
// A handler returns the chosen path, or an empty text for Cancel.
using FileHandler = std::function<QString(const FileRequest&)>;

// A handler returns the number entered, or std::nullopt for Cancel.
using NumberHandler = std::function<std::optional<long long>(const NumberRequest&)>;

// A runner shows a dialog of the program's own and returns its result (QDialog::Accepted or
// Rejected); tests fill the dialog in and accept it instead of a user.
using DialogRunner = std::function<int(QDialog&)>;

// Replace the real dialogs (tests); an empty handler restores them.
void SetDialogRunner(DialogRunner runner);
void SetMessageHandler(MessageHandler handler);
void SetFileHandler(FileHandler handler);
void SetNumberHandler(NumberHandler handler);

QMessageBox::StandardButton ShowMessageBox(const MessageRequest& request);
QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const QString& caption,
                                           const QString& text, BoxIcon icon,
                                           BoxButtons buttons = BoxButtons::kOk);
// Shows `dialog` modally through the runner, if one is set.
int RunDialog(QDialog& dialog);
// Empty when the user cancelled.
QString ChooseFile(const FileRequest& request);
// A number the user types, kept within the request's range; std::nullopt when cancelled.
std::optional<long long> AskNumber(const NumberRequest& request);

}  // namespace quillet::ui
