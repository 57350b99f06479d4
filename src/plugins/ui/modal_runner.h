#pragma once
// Every modal dialog of the plug-in side runs through here, so tests can look at a dialog and
// close it without a modal loop blocking the run.

#include <functional>

class QDialog;

namespace quillet::plugins::ui {

// Runs the dialog and returns its result.
using ModalRunner = std::function<int(QDialog&)>;

// Replaces QDialog::exec (tests); an empty runner restores it.
void SetModalRunner(ModalRunner runner);
int RunModal(QDialog& dialog);

}  // namespace quillet::plugins::ui
