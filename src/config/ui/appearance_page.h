#pragma once
// The "Appearance" page: a button and a line of explanation for each of the three pages below
// it. It has no options of its own.

#include "config/ui/property_page.h"

class QGridLayout;
class QPushButton;

namespace quillet::ui {

class AppearancePage : public PropertyPage {
  Q_OBJECT
 public:
  AppearancePage(config::SettingsPage& page, const QIcon& icon, QWidget* parent = nullptr);

  QPushButton* DataListButton() const { return dataList_; }
  QPushButton* DataTreeButton() const { return dataTree_; }
  QPushButton* ReportButton() const { return report_; }

 signals:
  // A button asks for the page with this id.
  void pageRequested(unsigned id);

 private:
  QPushButton* AddButton(const QString& text, const QString& description, unsigned pageId);

  QGridLayout* grid_;
  QPushButton* dataList_;
  QPushButton* dataTree_;
  QPushButton* report_;
};

}  // namespace quillet::ui
