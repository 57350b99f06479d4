#pragma once
// The "Data Tree" page. Lines and whole-row selection cannot be had together in the tree, so
// each of the two check boxes unchecks and disables the other while it is checked.

#include "config/ui/property_page.h"

namespace quillet::ui {

class DataTreePage : public CheckBoxPage {
  Q_OBJECT
 public:
  DataTreePage(config::SettingsPage& page, const QIcon& icon, QWidget* parent = nullptr);

  void LoadControls() override;

  QCheckBox* FullRowBox() const { return fullRow_; }
  QCheckBox* LinesBox() const { return lines_; }

 private:
  // Lines checked: full row off and disabled, else enabled.
  void LinesRule();
  // Full row checked: lines off and disabled, else enabled.
  void FullRowRule();

  QCheckBox* fullRow_ = nullptr;
  QCheckBox* lines_ = nullptr;
};

}  // namespace quillet::ui
