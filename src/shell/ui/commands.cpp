// Command routing and the enabling of commands at idle time.
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_export.h"
#include "config/ui/properties_dialog.h"
#include "datasource/cmlib_exception.h"
#include "layout/ui/window_layout.h"
#include "resources/command_ids.h"
#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/main_window.h"
#include "shell/ui/plugin_commands.h"
#include "shell/ui/status_bar.h"
#include "sqlwindow/ui/sql_pane.h"
#include "tabledata/ui/data_list_view.h"
#include "tabledata/ui/virtual_list_model.h"

namespace quillet::ui {
namespace {

QString Text(unsigned id) {
  return QString::fromStdString(LoadResourceString(id));
}

bool IsRecentCommand(unsigned id) {
  return id >= cmd::kFirstRecent && id <= cmd::kLastRecent;
}
bool IsElementCommand(unsigned id) {
  return id >= cmd::kFirstElementCommand && id <= cmd::kLastElementCommand;
}

// The export's one message: a box without owner.
class ExportMessages : public config::ExportMessageSink {
 public:
  void ShowExportMessage(const std::string& text, const std::string& caption) override {
    ShowMessageBox(nullptr, QString::fromStdString(caption), QString::fromStdString(text),
                   BoxIcon::kNone);
  }
};

}  // namespace

void MainWindow::OnCommand(unsigned id) {
  try {
    if (RouteFrameCommand(id)) return;
    if (RouteConnectionCommand(id)) return;
    if (RouteConfigurationCommand(id)) return;
    if (RoutePagingCommand(id)) return;
  } catch (const cmlib::exception& e) {
    ReportError(e.text());
  } catch (...) {
    ShowMessageBox(this, Text(60000), Text(60004), BoxIcon::kError);
  }
  UpdateUi();
}

bool MainWindow::RouteFrameCommand(unsigned id) {
  switch (id) {
    case cmd::kNewDataLink:
    case cmd::kNewConnectionString:
    case cmd::kOpenDataLink:
      NewOrOpen(id);
      return true;
    case cmd::kExit:
      QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
      return true;
    case cmd::kStandardButtons:
      standardBar_->setVisible(!standardBar_->isVisible());
      SetChecked(id, standardBar_->isVisible());
      return true;
    case cmd::kDatabaseButtons:
      databaseBar_->setVisible(!databaseBar_->isVisible());
      SetChecked(id, databaseBar_->isVisible());
      return true;
    case cmd::kLockToolBars: {
      const bool lock = menuBand_->isMovable();
      for (QToolBar* bar : {menuBand_, standardBar_, databaseBar_}) bar->setMovable(!lock);
      SetChecked(id, lock);
      return true;
    }
    case cmd::kStatusBar:
      statusBar()->setVisible(statusBar()->isHidden());
      SetChecked(id, !statusBar()->isHidden());
      return true;
    case cmd::kQuickViewBar:
      TogglePane(quickViewDock_);
      return true;
    case cmd::kDatabaseTree:
      TogglePane(treeDock_);
      return true;
    case cmd::kReportWindow:
      TogglePane(reportDock_);
      return true;
    case cmd::kSqlWindow:
      TogglePane(sqlDock_);
      return true;
    case cmd::kBack:
      history_.GoBack();
      return true;
    case cmd::kForward:
      history_.GoForward();
      return true;
    case cmd::kUp: {
      xElement* element = elements_->Element(elements_->ListSlot());
      const int parent = element != nullptr ? element->GetParentSlot() : -1;
      if (parent >= 1) StartJob(parent);
      return true;
    }
    case cmd::kStop: {
      // Stopping is cooperative: the job ends between rows and its provider call is cut short;
      // a count in the background ends with it.
      pendingPage_.reset();
      StopJob(false);
      jobStarting_ = false;
      xElement* element = elements_->Element(elements_->ListSlot());
      Pager* pager = element != nullptr ? element->GetPager() : nullptr;
      if (pager != nullptr) pager->StopCount();
      UpdatePager();
      return true;
    }
    case cmd::kRefresh: {
      if (!IsConnected()) return true;
      auto request = std::make_unique<ShowData>();
      request->redrawColumns = true;
      request->reload = true;
      StartJob(elements_->ListSlot(), std::move(request));
      return true;
    }
    case cmd::kChangeListView:
      PopupUnder(standardBar_, id, viewStyleMenu_);
      return true;
    case cmd::kStyleIcons:
      SetListStyle(0);
      return true;
    case cmd::kStyleReport:
      SetListStyle(1);
      return true;
    case cmd::kStyleSmallIcons:
      SetListStyle(2);
      return true;
    case cmd::kStyleList:
      SetListStyle(3);
      return true;
    case cmd::kPreviousRow:
      dataList_->HandleKey(Qt::Key_Up, Qt::NoModifier);
      return true;
    case cmd::kNextRow:
      dataList_->HandleKey(Qt::Key_Down, Qt::NoModifier);
      return true;
    case cmd::kExecuteSql:
      ExecuteSql();
      return true;
    case cmd::kCopy:
    case cmd::kCopyRow:
    case cmd::kCopyPage:
      CopyCommand(id);
      return true;
    case cmd::kExportRows:
      ExportRowsCommand();
      return true;
    case cmd::kConfiguration:
      ShowConfiguration();
      return true;
    case cmd::kPlugins:
      ShowPluginsDialog(*this);
      return true;
    case cmd::kTipOfTheDay:
      OfferTip(true);
      return true;
    case cmd::kAbout:
      ShowAbout();
      return true;
    default:
      break;
  }
  if (IsElementCommand(id)) {
    RunElementCommand(*this, id);
    return true;
  }
  return false;
}

bool MainWindow::RouteConnectionCommand(unsigned id) {
  int handled = 0;
  if (id == cmd::kCloseConnection) {
    connection_->Close(0, id, nullptr, handled);
    return true;
  }
  if (IsRecentCommand(id)) {
    connection_->OpenRecent(0, id, nullptr, handled);
    return true;
  }
  return false;
}

bool MainWindow::RouteConfigurationCommand(unsigned id) {
  if (id == cmd::kSaveConfiguration) {
    SaveConfigurationCommand();
    return true;
  }
  if (id == cmd::kExportConfiguration) {
    ExportConfigurationCommand();
    return true;
  }
  return false;
}

void MainWindow::NewOrOpen(unsigned id) {
  // A window keeps its open connection: the new one gets a window of its own.
  if (IsConnected()) {
    if (manager_ != nullptr) manager_->RequestWindow(id);
    return;
  }
  int handled = 0;
  if (id == cmd::kNewDataLink)
    connection_->CreateDataLink(0, id, nullptr, handled);
  else if (id == cmd::kNewConnectionString)
    connection_->CreateConnectionString(0, id, nullptr, handled);
  else
    connection_->OpenDataLinkDialog(0, id, nullptr, handled);
}

bool MainWindow::PaneShown(const QDockWidget* dock) const {
  // A pane tabbed behind another counts as shown: it is not hidden, only covered.
  return !dock->isHidden();
}

void MainWindow::TogglePane(QDockWidget* dock) {
  if (PaneShown(dock)) {
    dock->hide();
  } else {
    dock->show();
    dock->raise();
  }
  UpdateUi();
}

void MainWindow::SetListStyle(std::uint32_t style) {
  // Idle only: a folder's restyle reads its items, which a running job holds.
  if (!IsConnected() || !IsIdle()) return;
  xElement* element = elements_->Element(elements_->ListSlot());
  if (element == nullptr || !element->HasListSettings()) return;
  // Stores the style, restyles the list and fills its columns again, all on this thread.
  elements_->ApplyListStyle(style);
  RedrawDataList();
}

void MainWindow::ExecuteSql() {
  if (!IsConnected()) return;
  // The job shows the same element again with the window's text as its query. A folder takes
  // no query: there the command is off, and a call that gets here anyway does nothing.
  const int slot = elements_->ListSlot();
  xElement* element = elements_->Element(slot);
  if (element == nullptr || element->GetSqlTarget() == nullptr) return;
  auto request = std::make_unique<ShowData>();
  request->redrawColumns = true;
  request->reload = true;
  request->query = sqlPane_->GetQueryText();
  // Before the job runs: a query that fails is kept too, for the user to mend and run again.
  sqlPane_->RecordQuery(request->query);
  StartJob(slot, std::move(request));
}

void MainWindow::ShowConfiguration() {
  {
    PropertiesDialog dialog(pages_, store_, propertiesPage_, this);
    dialog.exec();
  }
  ApplyChangedPages();
}

void MainWindow::SaveConfigurationCommand() {
  layout_->SaveLayout();
  config::SaveConfiguration(pages_, store_);
  ShowMessageBox(this, Text(61000), Text(61003), BoxIcon::kInformation);
}

void MainWindow::ExportConfigurationCommand() {
  const QMessageBox::StandardButton answer =
      ShowMessageBox(this, Text(61001), Text(61002), BoxIcon::kQuestion, BoxButtons::kYesNoCancel);
  if (answer == QMessageBox::Cancel) return;
  if (answer == QMessageBox::Yes) SaveConfigurationCommand();
  FileRequest request;
  request.owner = this;
  request.save = true;
  request.filter = QStringLiteral("Microsoft REG files (*.reg)");
  request.defaultExtension = QStringLiteral("reg");
  const QString path = ChooseFile(request);
  if (path.isEmpty()) return;
  ExportMessages messages;
  config::ExportConfigurationFile(store_, path.toStdString(), messages);
}

void MainWindow::OnQuickViewItem(int index) {
  if (!IsConnected() || !IsIdle() || index < 0 || index > 2) return;
  StartJob(kSlotTables + index);
}

void MainWindow::ActivateTreeSelection() {
  if (auto code = elements_->ActivateTreeItem(*tree_, IsConnected(), IsIdle())) StartJob(*code);
}

void MainWindow::ActivateListItem(int row) {
  if (!IsConnected() || !IsIdle()) return;
  const int slot = elements_->ListSlot();
  if (slot != kSlotDatabase && slot != kSlotTables && slot != kSlotViews) return;
  xElement* element = elements_->Element(slot);
  if (element == nullptr || !element->HasData()) return;
  if (auto code = elements_->ActivateListItem(element->Text(row, 0, 1024), true)) StartJob(*code);
}

void MainWindow::SetEnabled(unsigned id, bool enabled) {
  if (QAction* action = Action(id)) action->setEnabled(enabled);
}

void MainWindow::SetChecked(unsigned id, bool checked) {
  if (QAction* action = Action(id)) action->setChecked(checked);
}

bool MainWindow::IsCommandEnabled(unsigned id) const {
  const QAction* action = Action(id);
  return action != nullptr && action->isEnabled();
}

bool MainWindow::IsCommandChecked(unsigned id) const {
  const QAction* action = Action(id);
  return action != nullptr && action->isChecked();
}

void MainWindow::UpdateUi() {
  const bool connected = IsConnected();
  const bool idle = IsIdle();
  if (idle) tree_->RetryPendingChildren();

  SetChecked(cmd::kReportWindow, PaneShown(reportDock_));
  SetChecked(cmd::kDatabaseTree, PaneShown(treeDock_));
  SetChecked(cmd::kQuickViewBar, PaneShown(quickViewDock_));

  for (unsigned id : {cmd::kNewDataLink, cmd::kNewConnectionString, cmd::kOpenDataLink})
    SetEnabled(id, idle);
  for (unsigned id : {cmd::kCloseConnection, cmd::kPreviousRow, cmd::kNextRow, cmd::kRefresh,
                      cmd::kChangeListView})
    SetEnabled(id, connected && idle);
  SetEnabled(cmd::kBack, history_.CanGoBack() && idle);
  SetEnabled(cmd::kForward, history_.CanGoForward() && idle);
  SetEnabled(cmd::kUp, connected && idle && elements_->ListSlot() != kSlotDatabase);
  xElement* shown = elements_->Element(elements_->ListSlot());
  const bool counting =
      shown != nullptr && shown->GetPager() != nullptr && shown->GetPager()->CountRunning();
  SetEnabled(cmd::kStop, connected && (!idle || counting));
  const bool rowsShown = connected && idle && dataList_->Model()->rowCount() > 0;
  for (unsigned id : {cmd::kCopy, cmd::kCopyRow, cmd::kCopyPage}) SetEnabled(id, rowsShown);
  xElement* listed = elements_->Element(elements_->ListSlot());
  SetEnabled(cmd::kExportRows, connected && idle && listed != nullptr &&
                                   listed->GetSqlTarget() != nullptr && listed->HasData());
  EnablePagingCommands(connected, idle);

  const unsigned styles[] = {cmd::kStyleIcons, cmd::kStyleSmallIcons, cmd::kStyleList,
                             cmd::kStyleReport};
  if (!connected) {
    for (unsigned id : styles) SetEnabled(id, false);
    SetEnabled(cmd::kSqlWindow, false);
    SetChecked(cmd::kSqlWindow, false);
    SetEnabled(cmd::kExecuteSql, false);
    return;
  }
  xElement* element = elements_->Element(elements_->ListSlot());
  if (element == nullptr) return;
  if (element->GetSqlTarget() != nullptr) {
    SetEnabled(cmd::kSqlWindow, true);
    SetChecked(cmd::kSqlWindow, PaneShown(sqlDock_));
  } else {
    if (PaneShown(sqlDock_)) sqlDock_->hide();
    SetEnabled(cmd::kSqlWindow, false);
    SetChecked(cmd::kSqlWindow, false);
  }
  SetEnabled(cmd::kExecuteSql, PaneShown(sqlDock_));

  const bool hasList = element->HasListSettings();
  for (unsigned id : styles) SetEnabled(id, hasList && idle);
  if (!hasList) return;
  std::uint32_t style = element->ListViewStyle();
  if (!elements_->UseIndividualProp())
    if (xElement* database = elements_->Element(kSlotDatabase)) style = database->ListViewStyle();
  const unsigned checkedId = style == 0   ? cmd::kStyleIcons
                             : style == 2 ? cmd::kStyleSmallIcons
                             : style == 3 ? cmd::kStyleList
                                          : cmd::kStyleReport;
  SetChecked(checkedId, true);
}

}  // namespace quillet::ui
