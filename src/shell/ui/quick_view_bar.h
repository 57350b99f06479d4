#pragma once
// The quick view bar: one group, "User Objects", with the tables, stored procedures and table
// views folders of the open database as large buttons.

#include <QToolButton>
#include <QWidget>

#include <array>

namespace quillet::ui {

class QuickViewBar : public QWidget {
  Q_OBJECT
 public:
  explicit QuickViewBar(QWidget* parent = nullptr);

  // 0 tables, 1 stored procedures, 2 table views.
  QToolButton* Button(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

 signals:
  void itemChosen(int index);

 private:
  std::array<QToolButton*, 3> buttons_{};
};

}  // namespace quillet::ui
