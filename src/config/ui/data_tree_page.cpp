#include "config/ui/data_tree_page.h"

#include <QCheckBox>

#include "config/option_groups.h"

namespace quillet::ui {
namespace {

const std::vector<CheckBoxPage::Entry>& TreeEntries() {
  namespace option = config::option;
  static const std::vector<CheckBoxPage::Entry> entries = {
      {"Enable the &full row selection in the tree views.", option::kIsFullRowSel},
      {"Display pl&us (+) and minus (-) buttons next to the parent items.", option::kIsHasButtons},
      {"Use &lines to show the hierarchy of items.", option::kIsHasLines},
      {"Enable the &hot tracking in the tree views. ", option::kIsTrackSelect},
  };
  return entries;
}

}  // namespace

DataTreePage::DataTreePage(config::SettingsPage& page, const QIcon& icon, QWidget* parent)
    : CheckBoxPage(page, icon, TreeEntries(), parent) {
  fullRow_ = CheckBoxAt(0);
  lines_ = CheckBoxAt(2);
  connect(this, &PropertyPage::checkBoxClicked, this, [this] {
    LinesRule();
    FullRowRule();
  });
}

void DataTreePage::LoadControls() {
  CheckBoxPage::LoadControls();
  LinesRule();
}

void DataTreePage::LinesRule() {
  if (lines_->checkState() != Qt::Unchecked) {
    fullRow_->setCheckState(Qt::Unchecked);
    fullRow_->setEnabled(false);
  } else {
    fullRow_->setEnabled(true);
  }
}

void DataTreePage::FullRowRule() {
  if (fullRow_->checkState() != Qt::Unchecked) {
    lines_->setCheckState(Qt::Unchecked);
    lines_->setEnabled(false);
  } else {
    lines_->setEnabled(true);
  }
}

}  // namespace quillet::ui
