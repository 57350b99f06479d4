#include "shell/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "datasource/cmlib_exception.h"
#include "layout/ui/window_layout.h"
#include "plugins/ui/qt_plugin_ui.h"
#include "report/ui/report_pane.h"
#include "resources/application_paths.h"
#include "resources/command_ids.h"
#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/quick_view_bar.h"
#include "shell/ui/status_bar.h"
#include "sqlwindow/ui/sql_pane.h"
#include "tabledata/ui/data_list_view.h"
#include "tabledata/ui/pager_bar.h"

namespace quillet::ui {
namespace {

constexpr unsigned kStringQuickViewTitle = 57348;
constexpr unsigned kStringTreeTitle = 57349;
constexpr unsigned kStringReportTitle = 57350;
constexpr unsigned kStringSqlTitle = 57351;
constexpr int kRecentItemLengthLimit = 40;
constexpr int kIdleInterval = 100;  // ms between two updates of the command states

QString Text(unsigned id) {
  return QString::fromStdString(LoadResourceString(id));
}

}  // namespace

MainWindow::MainWindow(FrameManager* manager, config::RegistryStore& store)
    : manager_(manager), store_(store), connectionUi_(*this), history_(*this) {
  setAttribute(Qt::WA_DeleteOnClose);
  config::BuildPageSet(pages_, store_);

  connection_ = std::make_unique<FrameConnection>(connectionUi_, *this);
  connection_->Recent().SetItemLengthLimit(kRecentItemLengthLimit);
  elements_ = std::make_unique<xElementSet>(*this, &session_, &cancel_, &store_);
  listCursor_ = std::make_unique<DataListModel>(*this);
  worker_ = std::make_unique<WorkerThread>(*elements_, *this, *listCursor_, cancel_);
  worker_->SetAddPoint(
      [this](int slot, const std::string& text, std::unique_ptr<ShowData> request, long long row) {
        std::optional<ShowData> kept;
        if (request) kept = *request;
        history_.AddPoint(slot, text, std::move(kept), row);
      });
  // Posted as it is: a job's end counts even when its other calls are dropped.
  worker_->SetEndedCallback([this] {
    QMetaObject::invokeMethod(
        this, [this] { AfterStopping(); }, Qt::QueuedConnection);
  });

  // The list under the panes, with its pager bar below it. The list reads its cells whenever no
  // loading job holds the element's data, also while a page job reads the next page.
  auto* central = new QWidget(this);
  dataList_ = new DataListView(*listCursor_, central);
  dataList_->Model()->SetIdleProbe([this] { return !jobStarting_ && worker_->IsIdle(); });
  pagerBar_ = new PagerBar(central);
  pagerBar_->hide();
  auto* centralLayout = new QVBoxLayout(central);
  centralLayout->setContentsMargins(0, 0, 0, 0);
  centralLayout->setSpacing(0);
  centralLayout->addWidget(dataList_, 1);
  centralLayout->addWidget(pagerBar_);
  setCentralWidget(central);
  listCursor_->SetPageRequester([this](int page, int cursorRow) {
    RequestPage({PageJob::Target::Page, page, cursorRow});
  });
  connect(pagerBar_, &PagerBar::pageEntered, this, [this](long long page) {
    JumpTo({PageJob::Target::Page, page - 1, 0});
  });
  connect(dataList_, &DataListView::itemActivated, this, &MainWindow::ActivateListItem);
  connect(dataList_, &DataListView::cellMenuCommand, this, [this](unsigned id) { OnCommand(id); });
  plugins::ui::InstallQtPluginUi();

  CreateActions();
  pagerBar_->SetActions(Action(cmd::kFirstPage), Action(cmd::kPreviousPage), Action(cmd::kNextPage),
                        Action(cmd::kLastPage));
  CreateMenus();
  CreateToolBars();
  status_ = new FrameStatusBar(this);
  setStatusBar(status_);
  CreatePanes();

  ApplyDataListOptions();
  ApplyTreeOptions();
  ApplyReportOptions();
  // The stored layout; the start-up options that show or hide panes come after it.
  layout_ = std::make_unique<WindowLayout>(*this, store_);
  layout_->RestoreLayout();

  // The recent list shows in the File menu and the open button's drop-down.
  recentModel_ = shell::MenuModel({{cmd::kFirstRecent, "(empty)", false, false}});
  connection_->Recent().AttachMenu(&recentModel_);
  connection_->Recent().ReadFromRegistry(config::kRootKeyPath, store_);

  SetTitle(false);

  idleTimer_ = new QTimer(this);
  idleTimer_->setInterval(kIdleInterval);
  connect(idleTimer_, &QTimer::timeout, this, [this] {
    if (stopping_) AfterStopping();
    UpdateUi();
  });
  idleTimer_->start();
  UpdateUi();
}

MainWindow::~MainWindow() {
  idleTimer_->stop();
  // The worker uses everything below; it goes first.
  worker_->Stop();
  worker_.reset();
  config::SaveConfiguration(pages_, store_);
  if (manager_ != nullptr) manager_->WindowDestroyed(this);
}

void MainWindow::CreatePanes() {
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                 QMainWindow::AllowNestedDocks);
  const auto makeDock = [this](unsigned titleId, const char* name, QWidget* content) {
    auto* dock = new QDockWidget(Text(titleId), this);
    dock->setObjectName(QString::fromLatin1(name));  // the pane's name in the saved layout
    dock->setWidget(content);
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                      QDockWidget::DockWidgetFloatable);
    return dock;
  };

  quickView_ = new QuickViewBar(this);
  connect(quickView_, &QuickViewBar::itemChosen, this, &MainWindow::OnQuickViewItem);
  quickViewDock_ = makeDock(kStringQuickViewTitle, "dataquickview", quickView_);

  tree_ = new DatabaseTree(this);
  DatabaseTree::Handlers handlers;
  handlers.expanding = [this](TreeItem item) {
    return elements_->OnItemExpanding(*tree_, item, true, IsConnected(), IsIdle());
  };
  handlers.children = [this](TreeItem item) {
    try {
      return elements_->OnItemChildren(*tree_, item, IsIdle());
    } catch (const cmlib::exception& e) {
      ReportError(e.text());
      return 0;
    }
  };
  handlers.activate = [this] { ActivateTreeSelection(); };
  tree_->SetHandlers(std::move(handlers));
  treeDock_ = makeDock(kStringTreeTitle, "datatree", tree_);

  report_ = new ReportPane(this);
  reportDock_ = makeDock(kStringReportTitle, "report", report_);

  sqlPane_ = new SqlPane(this);
  sqlDock_ = makeDock(kStringSqlTitle, "sqledt", sqlPane_);

  // The built-in arrangement: quick view and tree on the left, the report below the list, the
  // SQL pane above it once it is wanted.
  addDockWidget(Qt::LeftDockWidgetArea, quickViewDock_);
  addDockWidget(Qt::LeftDockWidgetArea, treeDock_);
  splitDockWidget(quickViewDock_, treeDock_, Qt::Vertical);
  addDockWidget(Qt::BottomDockWidgetArea, reportDock_);
  addDockWidget(Qt::TopDockWidgetArea, sqlDock_);
  sqlDock_->hide();
}

void MainWindow::ApplyDataListOptions() {
  // Read the same way at start and after the dialog: any value but 0 is on.
  const config::SettingsPage& page = pages_.GetPage(config::kPageDataList);
  fullRowCursor_ = page.Value(config::option::kIsFullRowSel, 1) != 0;
  dataList_->SetFullRowCursor(fullRowCursor_);
  // The grid comes from the option (the element's extended style may add it).
  dataList_->SetShowGrid(page.Value(config::option::kIsShowGrid, 1) != 0);
  dataList_->SetFlatScrollBars(page.Value(config::option::kIsFlatSB, 0) != 0);
  dataList_->SetToolTipOptions(page.Value(config::option::kShowTT1, 0) != 0,
                               page.Value(config::option::kShowTT2, 1) != 0);
  // The common or individual list settings decide the style the list slot shows.
  elements_->SetUseIndividualProp(page.Value(config::option::kUseIndividualProp, 1) != 0);
}

void MainWindow::ApplyTreeOptions() {
  const config::SettingsPage& page = pages_.GetPage(config::kPageDataTree);
  tree_->ApplyTreeOptions(page.Value(config::option::kIsHasButtons, 1) != 0,
                          page.Value(config::option::kIsHasLines, 1) != 0,
                          page.Value(config::option::kIsFullRowSel, 0) != 0,
                          page.Value(config::option::kIsTrackSelect, 0) != 0);
}

void MainWindow::ApplyReportOptions() {
  const config::SettingsPage& page = pages_.GetPage(config::kPageReportWindow);
  report_->ApplyReportOptions(page.Value(config::option::kIsShowGrid, 1) != 0,
                              page.Value(config::option::kIsFullRowSel, 1) != 0,
                              page.Value(config::option::kIsFlatSB, 0) != 0);
}

void MainWindow::ApplyChangedPages() {
  // A page applied once stays modified, so it is applied again after every later dialog.
  const config::SettingsPage& general = pages_.GetPage(config::kPageGeneral);
  if (general.IsModified())
    connection_->Recent().SetMaximum(
        std::clamp(general.Value(config::option::kRecentListMaxEnteries, 4),
                   shell::RecentList::kMinimumMaximum, shell::RecentList::kMaximumMaximum));

  const config::SettingsPage& list = pages_.GetPage(config::kPageDataList);
  if (list.IsModified()) {
    ApplyDataListOptions();
    if (IsConnected()) ShowListSlotAgain();
    dataList_->Redraw();
  }

  if (pages_.GetPage(config::kPageDataTree).IsModified()) {
    ApplyTreeOptions();
    tree_->viewport()->update();
  }
  if (pages_.GetPage(config::kPageReportWindow).IsModified()) {
    ApplyReportOptions();
    report_->update();
  }
}

void MainWindow::ShowListSlotAgain() {
  // Only while idle: a running job shows its element with the new options when it ends.
  const int slot = elements_->ListSlot();
  xElement* element = elements_->Element(slot);
  if (element == nullptr || !element->HasListSettings() || !IsIdle()) return;
  const ListSettings effective = elements_->EffectiveListSettings(slot);
  if (effective.viewStyle == dataList_->ViewStyle()) return;
  dataList_->SetViewStyle(effective.viewStyle);
  if (effective.viewStyle == 1)
    element->ShowDefault();
  else
    DeleteDataColumns();
}

void MainWindow::SetTitle(bool connected) {
  std::string title = LoadResourceString(1);
  if (!connected) {
    title += LoadResourceString(57000);
  } else {
    const std::string name = connection_->DisplayName();
    if (name.empty()) {
      title += LoadResourceString(57001);
    } else {
      title += LoadResourceString(57002);
      title += name;
      title += "]";
    }
  }
  setWindowTitle(QString::fromStdString(title));
}

QPlainTextEdit* MainWindow::SqlEditor() const {
  return sqlPane_->Editor();
}

bool MainWindow::IsConnected() const {
  return connection_->IsOpen();
}

bool MainWindow::IsIdle() const {
  return !worker_ || (!jobStarting_ && !worker_->IsBusy());
}

void MainWindow::ShowQuickViewBar(bool show) {
  quickViewDock_->setVisible(show);
}
void MainWindow::ShowReport(bool show) {
  reportDock_->setVisible(show);
}
void MainWindow::ShowDatabaseTree(bool show) {
  treeDock_->setVisible(show);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (panesArranged_) return;
  panesArranged_ = true;
  // Once the window has its size: the quick view bar gets just the room of its items, the tree
  // the rest of the side, the report a strip below the list.
  QTimer::singleShot(0, this, [this] {
    if (layout_->WantsDefaultArrangement()) {
      resizeDocks({quickViewDock_, treeDock_}, {quickView_->minimumSizeHint().height(), height()},
                  Qt::Vertical);
      resizeDocks({treeDock_}, {230}, Qt::Horizontal);
      resizeDocks({reportDock_}, {150}, Qt::Vertical);
    }
    layout_->AfterFirstShow();
  });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closeAfterStop_) {
    // The job that kept the window has ended (its layout was saved when the user closed it).
    event->accept();
    return;
  }
  // The layout unless "-dontsavelayout" said otherwise; the recent list always. Saved while the
  // window still shows as the user left it.
  layout_->SaveLayout();
  // A load in progress ends first; what it still sends dies with the window. One that does not
  // end at once keeps the window, out of sight, until it has.
  if (!StopEverything()) {
    closeAfterStop_ = true;
    hide();
    event->ignore();
    return;
  }
  jobStarting_ = false;
  event->accept();
}

void MainWindow::ShowErrorBox(const std::string& caption, const std::string& text) {
  ShowMessageBox(this, QString::fromStdString(caption), QString::fromStdString(text),
                 BoxIcon::kError);
}

void MainWindow::Beep() {
  QApplication::beep();
}

void MainWindow::OfferTip(bool force) {
  const shell::ApplicationPaths paths = shell::ApplicationPaths::Current();
  shell::OfferTipOfTheDay(*this, static_cast<QWidget*>(this), force, paths.moduleFolder,
                          paths.dataFolder, store_);
}

}  // namespace quillet::ui
