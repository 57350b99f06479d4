#pragma once
// One page of the properties dialog: the controls of one settings page. The dialog creates every
// page inside its page area, shows one at a time, loads the options into the controls when a
// page is created and stores the controls back into the options on OK or Apply.

#include <QIcon>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <vector>

#include "config/settings_page.h"

class QCheckBox;
class QVBoxLayout;

namespace quillet::ui {

class PropertyPage : public QWidget {
  Q_OBJECT
 public:
  PropertyPage(config::SettingsPage& page, const QIcon& icon, QWidget* parent = nullptr);

  config::SettingsPage& Settings() const { return page_; }
  unsigned Id() const { return page_.Id(); }
  QString Title() const;

  // Options into the controls.
  virtual void LoadControls() {}
  // Controls into the options. Marks the page modified first, also when it then fails; a page
  // that fails has shown why and put the focus where the fault is.
  bool ApplyControls();

 signals:
  // The user clicked one of the page's check boxes.
  void checkBoxClicked();

 protected:
  virtual bool StoreControls() { return true; }

  // The column below the page's icon that the controls go into.
  QVBoxLayout* Body() const { return body_; }

  // A check box that edits `option` (a value name of the page); clicks are reported.
  QCheckBox* AddCheckBox(const QString& text, const char* option);
  // Loads every check box added with AddCheckBox: a value outside 0 to 2 is first set to 0;
  // 0 is unchecked, 1 checked, 2 the third state.
  void LoadCheckBoxes();
  // Stores each check box as 0, 1 or 2.
  void StoreCheckBoxes();
  // The check boxes in the order they were added.
  QCheckBox* CheckBoxAt(std::size_t index) const { return checkBoxes_.at(index).box; }

 private:
  struct BoundCheckBox {
    QCheckBox* box;
    const char* option;
  };

  config::SettingsPage& page_;
  QVBoxLayout* body_;
  std::vector<BoundCheckBox> checkBoxes_;
};

// A page of check boxes only (Data List, Report Window).
class CheckBoxPage : public PropertyPage {
  Q_OBJECT
 public:
  struct Entry {
    const char* text;
    const char* option;
  };
  CheckBoxPage(config::SettingsPage& page, const QIcon& icon, const std::vector<Entry>& entries,
               QWidget* parent = nullptr);

  void LoadControls() override { LoadCheckBoxes(); }

 protected:
  bool StoreControls() override {
    StoreCheckBoxes();
    return true;
  }
};

}  // namespace quillet::ui
