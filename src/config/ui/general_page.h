#pragma once
// The "General" page: the table folder on connecting, the size of the recent list, the number
// of back/forward points and the single instance switch. Its numbers are checked when applied;
// "SingleInstance" goes to the settings store at once, whatever else happens.

#include <functional>

#include "config/registry_store.h"
#include "config/ui/property_page.h"

class QCheckBox;
class QLineEdit;

namespace quillet::ui {

class GeneralPage : public PropertyPage {
  Q_OBJECT
 public:
  GeneralPage(config::SettingsPage& page, const QIcon& icon, config::RegistryStore& store,
              std::function<void()> beep, QWidget* parent = nullptr);

  void LoadControls() override;

  QLineEdit* RecentField() const { return recentField_; }
  QLineEdit* BackPointsField() const { return backPointsField_; }

 protected:
  bool StoreControls() override;

 private:
  // Reads `field` as a signed number in `low`..`high` into `option`; otherwise reports the
  // fault, focuses the field, puts the option's value back into it and fails.
  bool StoreNumber(QLineEdit* field, const char* option, int low, int high);

  config::RegistryStore& store_;
  std::function<void()> beep_;
  QLineEdit* recentField_;
  QLineEdit* backPointsField_;
};

}  // namespace quillet::ui
