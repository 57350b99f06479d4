#include "config/ui/property_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quillet::ui {
namespace {

constexpr int kIconSize = 32;

}  // namespace

PropertyPage::PropertyPage(config::SettingsPage& page, const QIcon& icon, QWidget* parent)
    : QWidget(parent), page_(page) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(8, 8, 8, 8);
  row->setSpacing(12);
  auto* iconLabel = new QLabel(this);
  iconLabel->setPixmap(icon.pixmap(kIconSize, kIconSize));
  iconLabel->setFixedSize(kIconSize, kIconSize);
  row->addWidget(iconLabel, 0, Qt::AlignTop | Qt::AlignLeft);
  body_ = new QVBoxLayout;
  body_->setSpacing(8);
  row->addLayout(body_, 1);
}

QString PropertyPage::Title() const {
  return QString::fromStdString(page_.Title());
}

bool PropertyPage::ApplyControls() {
  page_.SetModified();
  return StoreControls();
}

QCheckBox* PropertyPage::AddCheckBox(const QString& text, const char* option) {
  auto* box = new QCheckBox(text, this);
  body_->addWidget(box);
  checkBoxes_.push_back({box, option});
  connect(box, &QCheckBox::clicked, this, [this, box] {
    // The third state comes only from a stored 2; once clicked the box is a plain one again.
    box->setTristate(false);
    emit checkBoxClicked();
  });
  return box;
}

void PropertyPage::LoadCheckBoxes() {
  for (const BoundCheckBox& bound : checkBoxes_) {
    std::int32_t value = page_.Value(bound.option);
    if (value < 0 || value > 2) {
      value = 0;
      page_.SetValue(bound.option, 0);
    }
    bound.box->setTristate(value == 2);
    bound.box->setCheckState(value == 2   ? Qt::PartiallyChecked
                             : value == 1 ? Qt::Checked
                                          : Qt::Unchecked);
  }
}

void PropertyPage::StoreCheckBoxes() {
  for (const BoundCheckBox& bound : checkBoxes_) {
    const Qt::CheckState state = bound.box->checkState();
    page_.SetValue(bound.option, state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0);
  }
}

CheckBoxPage::CheckBoxPage(config::SettingsPage& page, const QIcon& icon,
                           const std::vector<Entry>& entries, QWidget* parent)
    : PropertyPage(page, icon, parent) {
  for (const Entry& entry : entries) AddCheckBox(QString::fromUtf8(entry.text), entry.option);
  Body()->addStretch(1);
}

}  // namespace quillet::ui
