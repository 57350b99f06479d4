#include "config/ui/properties_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/option_groups.h"
#include "config/ui/appearance_page.h"
#include "config/ui/caption_bar.h"
#include "config/ui/data_tree_page.h"
#include "config/ui/general_page.h"
#include "config/ui/property_page.h"
#include "resources/ui/icons.h"

namespace quillet::ui {
namespace {

constexpr int kTreeWidth = 150;

std::vector<CheckBoxPage::Entry> DataListEntries() {
  namespace option = config::option;
  return {
      {"Use an &individual list properties for each folder.", option::kUseIndividualProp},
      {"Show &grid lines in the report views.", option::kIsShowGrid},
      {"Enable the &full row selection in the report views.", option::kIsFullRowSel},
      {"Use flat &scroll bars in the list views.", option::kIsFlatSB},
      {"Show data description t&ooltips (left mouse button click)", option::kShowTT1},
      {"Show data d&escription tooltips (SHIFT + left mouse button click)", option::kShowTT2},
  };
}

std::vector<CheckBoxPage::Entry> ReportEntries() {
  namespace option = config::option;
  return {
      {"Show &grid lines", option::kIsShowGrid},
      {"Enable the &full row select.", option::kIsFullRowSel},
      {"Use flat scroll &bars in the list view.", option::kIsFlatSB},
  };
}

}  // namespace

PropertiesDialog::PropertiesDialog(config::PageSet& pages, config::RegistryStore& store,
                                   unsigned& currentPage, QWidget* owner)
    : QDialog(owner), currentPage_(currentPage), beep_([] { QApplication::beep(); }) {
  setWindowTitle(QStringLiteral("Quillet Properties"));
  setModal(true);

  tree_ = new QTreeWidget(this);
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setRootIsDecorated(true);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setMouseTracking(true);  // hot tracking
  tree_->setAttribute(Qt::WA_Hover);
  tree_->setFixedWidth(kTreeWidth);

  caption_ = new CaptionBar(this);
  frame_ = new QGroupBox(this);
  placeholder_ = new QWidget(frame_);
  auto* frameLayout = new QVBoxLayout(frame_);
  frameLayout->setContentsMargins(2, 2, 2, 2);
  frameLayout->addWidget(placeholder_);
  auto* stack = new QGridLayout(placeholder_);  // every page in the same place, one shown
  stack->setContentsMargins(0, 0, 0, 0);

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  apply_ = new QPushButton(QStringLiteral("Apply"), this);
  ok_->setDefault(true);
  apply_->setEnabled(false);
  connect(ok_, &QPushButton::clicked, this, &PropertiesDialog::OnOk);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(apply_, &QPushButton::clicked, this, [this] { ApplyPages(); });

  auto* right = new QVBoxLayout;
  right->setSpacing(4);
  right->addWidget(caption_);
  right->addWidget(frame_, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(tree_);
  top->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addWidget(apply_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);

  FillTree(pages);
  CreatePages(pages, store);
  // Room for the largest page, so the dialog keeps its size whichever page it shows.
  QSize room;
  for (auto& [id, page] : pages_) room = room.expandedTo(page->sizeHint());
  placeholder_->setMinimumSize(room);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &PropertiesDialog::OnTreeSelection);

  // The page shown last; the tree selection is left alone.
  if (pages_.count(currentPage_) == 0) currentPage_ = config::kPageGeneral;
  if (PropertyPage* page = Page(currentPage_)) {
    page->show();
    caption_->setText(page->Title());
  }
  resize(sizeHint().expandedTo(QSize(560, 360)));
}

void PropertiesDialog::FillTree(const config::PageSet& pages) {
  const auto title = [&](unsigned id) {
    const config::SettingsPage* page = pages.FindPage(id);
    return page != nullptr ? QString::fromStdString(page->Title()) : QString();
  };
  for (unsigned id : {config::kPageGeneral, config::kPageAppearance}) {
    auto* item = new QTreeWidgetItem(tree_, {title(id)});
    items_[id] = item;
  }
  QTreeWidgetItem* appearance = items_[config::kPageAppearance];
  for (unsigned id : {config::kPageDataList, config::kPageDataTree, config::kPageReportWindow}) {
    items_[id] = new QTreeWidgetItem(appearance, {title(id)});
    appearance->setExpanded(true);
  }
}

void PropertiesDialog::CreatePages(config::PageSet& pages, config::RegistryStore& store) {
  auto* stack = static_cast<QGridLayout*>(placeholder_->layout());
  const auto add = [&](PropertyPage* page) {
    page->hide();
    stack->addWidget(page, 0, 0);
    pages_[page->Id()] = page;
    connect(page, &PropertyPage::checkBoxClicked, apply_, [this] { apply_->setEnabled(true); });
    page->LoadControls();
  };
  for (auto& [id, settings] : pages) {
    switch (id) {
      case config::kPageGeneral:
        add(new GeneralPage(
            settings, LoadIcon(IconId::kConfiguration), store,
            [this] {
              if (beep_) beep_();
            },
            placeholder_));
        break;
      case config::kPageAppearance: {
        auto* page = new AppearancePage(settings, LoadIcon(IconId::kChangeView), placeholder_);
        connect(page, &AppearancePage::pageRequested, this, &PropertiesDialog::ShowPage);
        add(page);
        break;
      }
      case config::kPageDataList:
        add(new CheckBoxPage(settings, LoadIcon(IconId::kTable), DataListEntries(), placeholder_));
        break;
      case config::kPageDataTree:
        add(new DataTreePage(settings, LoadIcon(IconId::kDatabase), placeholder_));
        break;
      case config::kPageReportWindow:
        add(new CheckBoxPage(settings, LoadIcon(IconId::kReportInformation), ReportEntries(),
                             placeholder_));
        break;
      default:
        break;  // an entry the dialog has no page for
    }
  }
}

PropertyPage* PropertiesDialog::Page(unsigned id) const {
  const auto found = pages_.find(id);
  return found != pages_.end() ? found->second : nullptr;
}

QTreeWidgetItem* PropertiesDialog::TreeItem(unsigned id) const {
  const auto found = items_.find(id);
  return found != items_.end() ? found->second : nullptr;
}

void PropertiesDialog::ShowPage(unsigned id) {
  PropertyPage* next = Page(id);
  if (next == nullptr) return;
  if (PropertyPage* current = Page(currentPage_)) current->hide();
  next->show();
  caption_->setText(next->Title());
  currentPage_ = id;
}

void PropertiesDialog::OnTreeSelection() {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) return;
  const QString text = selected.first()->text(0);
  for (auto& [id, page] : pages_) {
    if (page->Title() == text) {
      page->show();
      caption_->setText(page->Title());
      currentPage_ = id;
    } else {
      page->hide();
    }
  }
}

bool PropertiesDialog::ApplyPages() {
  for (auto& [id, page] : pages_)
    if (!page->ApplyControls()) return false;
  apply_->setEnabled(false);
  return true;
}

void PropertiesDialog::OnOk() {
  if (ApplyPages()) accept();
}

void PropertiesDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (centred_) return;
  centred_ = true;
  CenterOverOwner();
}

void PropertiesDialog::CenterOverOwner() {
  // Over the owner while it can be seen, else in the middle of the screen; never beyond the
  // screen's work area.
  QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
  QScreen* where = owner != nullptr ? owner->screen() : screen();
  if (where == nullptr) return;
  const QRect area = where->availableGeometry();
  const bool overOwner = owner != nullptr && owner->isVisible() && !owner->isMinimized();
  QRect box = frameGeometry();
  box.moveCenter(overOwner ? owner->frameGeometry().center() : area.center());
  if (box.right() > area.right()) box.moveRight(area.right());
  if (box.bottom() > area.bottom()) box.moveBottom(area.bottom());
  if (box.left() < area.left()) box.moveLeft(area.left());
  if (box.top() < area.top()) box.moveTop(area.top());
  move(box.topLeft());
}

}  // namespace quillet::ui
