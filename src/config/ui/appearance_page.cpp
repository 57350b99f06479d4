#include "config/ui/appearance_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/option_groups.h"

namespace quillet::ui {

AppearancePage::AppearancePage(config::SettingsPage& page, const QIcon& icon, QWidget* parent)
    : PropertyPage(page, icon, parent) {
  grid_ = new QGridLayout;
  grid_->setHorizontalSpacing(12);
  grid_->setVerticalSpacing(12);
  grid_->setColumnStretch(1, 1);
  Body()->addLayout(grid_);
  Body()->addStretch(1);
  dataList_ = AddButton(QStringLiteral("Data &list"),
                        QStringLiteral("Options that can help you to customize the behavior of "
                                       "the database list view window."),
                        config::kPageDataList);
  dataTree_ = AddButton(QStringLiteral("Data &tree"),
                        QStringLiteral("Options that can help you to customize the behavior of "
                                       "the database tree window."),
                        config::kPageDataTree);
  report_ = AddButton(QStringLiteral("&Report view"),
                      QStringLiteral("Options that can help you to customize the behavior of "
                                     "the report window."),
                      config::kPageReportWindow);
}

QPushButton* AppearancePage::AddButton(const QString& text, const QString& description,
                                       unsigned pageId) {
  const int row = grid_->count() / 2;  // a button and its text on each row
  auto* button = new QPushButton(text, this);
  button->setAutoDefault(false);  // Enter in the dialog still means OK
  auto* label = new QLabel(description, this);
  label->setWordWrap(true);
  grid_->addWidget(button, row, 0, Qt::AlignTop);
  grid_->addWidget(label, row, 1, Qt::AlignTop);
  connect(button, &QPushButton::clicked, this, [this, pageId] { emit pageRequested(pageId); });
  return button;
}

}  // namespace quillet::ui
