#include "plugins/ui/qt_plugin_ui.h"

#include <QApplication>
#include <QWidget>

#include "plugins/ui/modal_runner.h"
#include "plugins/ui/text_viewer_dialog.h"
#include "resources/ui/dialog_hooks.h"

namespace quillet::plugins::ui {
namespace {

quillet::ui::BoxIcon ToBoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return quillet::ui::BoxIcon::kError;
    case MessageIcon::Information:
      return quillet::ui::BoxIcon::kInformation;
    case MessageIcon::Exclamation:
      return quillet::ui::BoxIcon::kWarning;
    case MessageIcon::None:
      break;
  }
  return quillet::ui::BoxIcon::kNone;
}

}  // namespace

void* QtPluginUi::ActiveWindow() {
  QWidget* window = QApplication::activeModalWidget();
  if (window == nullptr) window = QApplication::activeWindow();
  return window;
}

void QtPluginUi::ShowMessage(void* parent, const std::string& caption, const std::string& text,
                             MessageIcon icon) {
  quillet::ui::ShowMessageBox(static_cast<QWidget*>(parent), QString::fromStdString(caption),
                              QString::fromStdString(text), ToBoxIcon(icon));
}

void QtPluginUi::ShowPlainText(void* parent, const std::string& text) {
  TextViewerDialog dialog(QString::fromStdString(text), static_cast<QWidget*>(parent));
  RunModal(dialog);
}

void InstallQtPluginUi() {
  static QtPluginUi ui;
  SetPluginUi(&ui);
}

}  // namespace quillet::plugins::ui
