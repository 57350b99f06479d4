#include "plugins/ui/modal_runner.h"

#include <QDialog>

namespace quillet::plugins::ui {
namespace {

ModalRunner& Runner() {
  static ModalRunner runner;
  return runner;
}

}  // namespace

void SetModalRunner(ModalRunner runner) {
  Runner() = std::move(runner);
}

int RunModal(QDialog& dialog) {
  if (Runner()) return Runner()(dialog);
  return dialog.exec();
}

}  // namespace quillet::plugins::ui
