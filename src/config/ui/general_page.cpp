#include "config/ui/general_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"

namespace quillet::ui {
namespace {

constexpr unsigned kStringErrorCaption = 60000;
constexpr unsigned kStringRangeMessage = 60003;
constexpr int kFieldWidth = 48;

// The range message with its two "%i" filled in; the text comes from the string table, so it is
// not used as a printf format.
QString RangeMessage(int low, int high) {
  QString text = QString::fromStdString(LoadResourceString(kStringRangeMessage));
  for (int value : {low, high}) {
    const qsizetype at = text.indexOf(QLatin1String("%i"));
    if (at < 0) break;
    text.replace(at, 2, QString::number(value));
  }
  return text;
}

QLineEdit* MakeNumberField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setFixedWidth(kFieldWidth);
  field->setAlignment(Qt::AlignRight);
  return field;
}

}  // namespace

GeneralPage::GeneralPage(config::SettingsPage& page, const QIcon& icon,
                         config::RegistryStore& store, std::function<void()> beep, QWidget* parent)
    : PropertyPage(page, icon, parent), store_(store), beep_(std::move(beep)) {
  namespace option = config::option;
  AddCheckBox(QStringLiteral("When connecting, &go directly to \"Table\" folder"),
              option::kGoDirectlyToTableFldr);

  auto* recentRow = new QHBoxLayout;
  auto* recentLabel = new QLabel(QStringLiteral("Use &recent document list for"), this);
  recentField_ = MakeNumberField(this);
  recentLabel->setBuddy(recentField_);
  recentRow->addWidget(recentLabel);
  recentRow->addWidget(recentField_);
  recentRow->addWidget(new QLabel(QStringLiteral("files."), this));
  recentRow->addStretch(1);
  Body()->addLayout(recentRow);

  auto* backRow = new QHBoxLayout;
  auto* backLabel = new QLabel(QStringLiteral("&Maximum count of go back/forward points:"), this);
  backPointsField_ = MakeNumberField(this);
  backLabel->setBuddy(backPointsField_);
  backRow->addWidget(backLabel);
  backRow->addWidget(backPointsField_);
  backRow->addStretch(1);
  Body()->addLayout(backRow);

  AddCheckBox(QStringLiteral("Allow only one &instance of the Quillet"), option::kSingleInstance);
  Body()->addStretch(1);
}

void GeneralPage::LoadControls() {
  LoadCheckBoxes();
  recentField_->setText(QString::number(Settings().Value(config::option::kRecentListMaxEnteries)));
  backPointsField_->setText(QString::number(Settings().Value(config::option::kMaxBackupPoints)));
}

bool GeneralPage::StoreControls() {
  StoreCheckBoxes();
  const bool stored = StoreNumber(recentField_, config::option::kRecentListMaxEnteries, 2, 16) &&
                      StoreNumber(backPointsField_, config::option::kMaxBackupPoints, 0, 500);
  // The single instance switch is read by the next process at its start, before any window
  // exists, so it cannot wait for the window to save its pages.
  const auto value = static_cast<std::uint32_t>(Settings().Value(config::option::kSingleInstance));
  config::WriteSingleInstance(
      store_,
      config::KeyPath(config::kGeneralKeyFormat, config::kVersionMajor, config::kVersionMinor),
      value);
  return stored;
}

bool GeneralPage::StoreNumber(QLineEdit* field, const char* option, int low, int high) {
  bool isNumber = false;
  const int value = field->text().trimmed().toInt(&isNumber);
  if (isNumber && value >= low && value <= high) {
    Settings().SetValue(option, value);
    return true;
  }
  if (!isNumber) {
    if (beep_) beep_();
  } else {
    ShowMessageBox(window(), QString::fromStdString(LoadResourceString(kStringErrorCaption)),
                   RangeMessage(low, high), BoxIcon::kWarning);
  }
  field->setFocus();
  field->setText(QString::number(Settings().Value(option)));
  return false;
}

}  // namespace quillet::ui
