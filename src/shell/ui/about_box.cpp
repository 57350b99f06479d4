// The about box: product, version, how it was built, its language and build kind.
#include <QtGlobal>

#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/main_window.h"

namespace quillet::ui {

void MainWindow::ShowAbout() {
  const QString text =
      QStringLiteral("%1\n\nVersion 1.6 built by GCC %2.%3 with Qt %4\nLanguage: %5\n%6")
          .arg(QString::fromStdString(LoadResourceString(1)))
          .arg(__GNUC__)
          .arg(__GNUC_MINOR__)
          .arg(QString::fromLatin1(QT_VERSION_STR))
          .arg(QString::fromStdString(LoadResourceString(57347)))
          .arg(QStringLiteral("Linux %1 (UTF-8 build)").arg(QSysInfo::buildCpuArchitecture()));
  ShowMessageBox(this, QStringLiteral("About Quillet"), text, BoxIcon::kInformation);
}

}  // namespace quillet::ui
