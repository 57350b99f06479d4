#pragma once
// The main window: one connection with its element set, loading worker, history and recent list,
// shown through a menu band, two toolbars, a status bar, the central data list and four dockable
// panes. The window implements the services its workers call, queueing calls from other threads
// to its own.

#include <QMainWindow>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/option_groups.h"
#include "config/page_set.h"
#include "config/registry_store.h"
#include "datasource/connection.h"
#include "datasource/connection_ui.h"
#include "elements/element_set.h"
#include "elements/frame_services.h"
#include "elements/job_cancel.h"
#include "layout/ui/layout_host.h"
#include "resources/menu_model.h"
#include "shell/command_line.h"
#include "shell/navigation_history.h"
#include "shell/tip_of_the_day.h"
#include "tabledata/data_list_model.h"
#include "tabledata/worker_thread.h"

class QAction;
class QDockWidget;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QToolBar;
class QToolButton;
class QTimer;

namespace quillet::ui {

class DataListView;
class DatabaseTree;
class FrameManager;
class FrameStatusBar;
class MainWindow;
class PagerBar;
class QuickViewBar;
class ReportPane;
class SqlPane;
class WindowLayout;

// The connection of one window, with the window's hooks.
class FrameConnection : public db::xConnection {
 public:
  FrameConnection(db::ConnectionUi& ui, MainWindow& frame) : xConnection(ui), frame_(frame) {}
  int OnPromptOpened(unsigned notifyCode, unsigned commandId, db::ControlHandle control,
                     int& handled) override;
  int OnOpened(unsigned notifyCode, unsigned commandId, db::ControlHandle control,
               int& handled) override;
  int OnBeforeClose(unsigned notifyCode, unsigned commandId, db::ControlHandle control,
                    int& handled) override;
  int OnClosed(unsigned notifyCode, unsigned commandId, db::ControlHandle control,
               int& handled) override;

 private:
  MainWindow& frame_;
};

// File dialogs, the data link dialog, message boxes and the wait cursor for the connection.
class FrameConnectionUi : public db::ConnectionUi {
 public:
  explicit FrameConnectionUi(MainWindow& frame) : frame_(frame) {}
  bool ChooseFileToOpen(const db::FileDialogOptions& options, std::string* path) override;
  bool ChooseFileToSave(const db::FileDialogOptions& options, std::string* path) override;
  int EditDataLinkFile(const std::string& path) override;
  db::HRESULT PromptDataLink(std::string* initString) override;
  void ShowMessage(const std::string& caption, const std::string& text,
                   db::MessageIcon icon) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;

 private:
  MainWindow& frame_;
};

class FrameHistory : public shell::NavigationHistory {
 public:
  explicit FrameHistory(MainWindow& frame) : frame_(frame) {}

 protected:
  int MaxPoints() override;
  void RestorePoint(const shell::NavigationPoint& point) override;

 private:
  MainWindow& frame_;
};

class MainWindow : public QMainWindow,
                   public LayoutHost,
                   public FrameServices,
                   public shell::CommandLineFrame,
                   public shell::TipOfTheDayHost {
  Q_OBJECT
 public:
  MainWindow(FrameManager* manager, config::RegistryStore& store);
  ~MainWindow() override;

  // Commands: every menu item, toolbar button and accelerator ends here.
  void OnCommand(unsigned id) override;
  // Enables and checks the commands from the window's state (run at idle time).
  void UpdateUi();
  QAction* Action(unsigned id) const override;
  bool IsCommandEnabled(unsigned id) const;
  bool IsCommandChecked(unsigned id) const;

  bool IsConnected() const;
  // No loading job runs.
  bool IsIdle() const;
  void SetTitle(bool connected);

  // Starts a loading job: `code` is the slot to show, negative when it must not add a
  // navigation point. A failure to start lands in the report log.
  void StartJob(int code, std::unique_ptr<ShowData> request = nullptr);
  // Shows another page of the list's rows through a page job; a request while one runs waits
  // for it (the newest wins). Dropped while a loading job runs.
  void RequestPage(PageJob job);
  // A page the user jumps to: as RequestPage, with a navigation point for the place left.
  void JumpTo(PageJob job);
  // The absolute row of the cursor in the rows shown (-1 without a pager).
  long long CursorRowInRows() const;

  FrameConnection& Connection() { return *connection_; }
  FrameHistory& History() { return history_; }
  xElementSet& Elements() { return *elements_; }
  WorkerThread& Worker() { return *worker_; }
  config::PageSet& Pages() { return pages_; }
  DataListView* DataList() const { return dataList_; }
  FrameStatusBar* Status() const { return status_; }
  ReportPane* Report() const { return report_; }
  DatabaseTree* Tree() const { return tree_; }
  QuickViewBar* QuickView() const { return quickView_; }
  PagerBar* PagingBar() const { return pagerBar_; }
  SqlPane* Sql() const { return sqlPane_; }
  QPlainTextEdit* SqlEditor() const;
  QDockWidget* ReportDock() const { return reportDock_; }
  QDockWidget* TreeDock() const { return treeDock_; }
  QDockWidget* QuickViewDock() const { return quickViewDock_; }
  QDockWidget* SqlDock() const { return sqlDock_; }

  // The layout's view of the window.
  QMainWindow& LayoutWindow() override { return *this; }
  PaneDocks LayoutPanes() const override {
    return {reportDock_, quickViewDock_, treeDock_, sqlDock_};
  }
  void SaveRecentList(config::RegistryStore& store) override;
  QToolBar* StandardBar() const { return standardBar_; }
  QToolBar* DatabaseBar() const { return databaseBar_; }
  QMenuBar* Menus() const { return menus_; }
  QMenu* FileMenu() const { return fileMenu_; }
  bool SaveLayoutFlag() const override { return saveLayout_; }
  // The popup of the change-list-view and open buttons (built on demand).
  QMenu* ViewStyleMenu() const { return viewStyleMenu_; }
  QMenu* RecentDropDown() const { return recentDropDown_; }

  // Start-up options (CommandLineFrame).
  void Open(const std::string& text, bool isFile) override;
  void ClearSaveLayout() override { saveLayout_ = false; }
  void ShowQuickViewBar(bool show) override;
  void ShowReport(bool show) override;
  void ShowDatabaseTree(bool show) override;

  // Tip of the day (TipOfTheDayHost).
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void Beep() override;
  void OfferTip(bool force);

  // FrameServices: safe from any thread; calls from other threads are queued in order.
  ProgressHandle CreateProgressBar() override;
  void ReportStep(ProgressHandle progress, unsigned stringId, int position) override;
  void ReportProgressText(ProgressHandle progress, const std::string& text, int position) override;
  void HideProgressBar(ProgressHandle progress) override;
  void InsertDataColumn(const std::string& title, int index, int subItem) override;
  void SetDataColumnWidth(int index, int width) override;
  void DeleteDataColumns() override;
  void ReportError(const std::string& text) override;
  void ReportInformation(const std::string& text) override;
  void SetDataListItemCount(int count) override;
  void SetDataListRedraw(bool on) override;
  void RedrawDataList() override;
  void SetDataListStyle(std::uint32_t viewStyle, std::uint32_t extendedStyle) override;
  void SetStatusPaneText(unsigned paneId, const std::string& text) override;
  void EnableQuickViewBar(bool enable) override;
  void SetSqlText(const std::string& text) override;
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override;
  void PagerChanged() override;
  void PageShown(int itemCount, int cursorRow) override;
  void JobEnded() override;

  // Connection hooks (FrameConnection).
  int OnOpenedHook();
  int OnBeforeCloseHook();
  int OnClosedHook();
  // History (FrameHistory).
  int MaxBackupPoints();
  void RestorePoint(const shell::NavigationPoint& point);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Window parts.
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  void CreatePanes();
  void ApplyDataListOptions();
  void ApplyTreeOptions();
  void ApplyReportOptions();
  // The properties dialog, then its changed pages into the views.
  void ShowConfiguration();
  void ApplyChangedPages();
  void ShowListSlotAgain();

  // Command handlers.
  bool RouteFrameCommand(unsigned id);
  bool RouteConnectionCommand(unsigned id);
  bool RouteConfigurationCommand(unsigned id);
  bool RoutePagingCommand(unsigned id);
  void EnablePagingCommands(bool connected, bool idle);
  // The pager bar from the shown element's paging.
  void UpdatePager();
  void GoToRowCommand();
  void OnPageShown(int itemCount, int cursorRow);
  void OnJobEnded();
  // Stops the loading job, waiting briefly. `disown` drops what the job still sends, for what
  // it showed is being replaced or closed. False when the job is still ending: the window shows
  // that it is stopping, and AfterStopping carries out what waited once the job has ended.
  bool StopJob(bool disown);
  // The longest the window's thread waits for a job or a count to end.
  static constexpr std::chrono::milliseconds kStopWait{150};
  // As StopJob, with the count of the shown table too: before the connection or window goes.
  bool StopEverything();
  void AfterStopping();
  void ForgetDisownedJob();
  // Export Rows: asks where to, then exports as a job.
  void ExportRowsCommand();
  // Copy, Copy Row and Copy Page to the clipboard.
  void CopyCommand(unsigned id);
  // A cell's value as copied: long values read whole, binary ones as hex (`ask`: confirmed when
  // large). Nothing when the user declined or the value could not be read.
  std::optional<std::string> CellValueForCopy(int row, int column, bool ask);
  bool CopyRows(int first, int count, std::string* text);
  std::vector<std::string> CopyHeader() const;
  int FirstValueColumn() const;
  void NewOrOpen(unsigned id);
  void TogglePane(QDockWidget* dock);
  bool PaneShown(const QDockWidget* dock) const;
  void SetListStyle(std::uint32_t style);
  void ExecuteSql();
  void ShowAbout();
  void SaveConfigurationCommand();
  void ExportConfigurationCommand();
  void OnQuickViewItem(int index);
  void ActivateTreeSelection();
  void ActivateListItem(int row);
  void FillRecentMenu(QMenu* menu);
  void PopupUnder(QToolBar* bar, unsigned commandId, QMenu* menu);
  void SetEnabled(unsigned id, bool enabled);
  void SetChecked(unsigned id, bool checked);

  template <typename Work>
  void OnGuiThread(Work&& work);

  FrameManager* manager_;
  config::RegistryStore& store_;
  config::PageSet pages_;
  bool saveLayout_ = true;

  FrameConnectionUi connectionUi_;
  std::unique_ptr<FrameConnection> connection_;
  FrameHistory history_;
  JobCancel cancel_;
  SessionRef session_;
  std::unique_ptr<xElementSet> elements_;
  std::unique_ptr<DataListModel> listCursor_;
  std::unique_ptr<WorkerThread> worker_;  // last: stopped before everything it uses goes

  std::atomic<int> nextProgress_{1};
  std::atomic<int> jobSlot_{0};  // the slot the running job shows
  shell::MenuModel recentModel_;

  std::map<unsigned, QAction*> actions_;
  QMenuBar* menus_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* viewStyleMenu_ = nullptr;
  QMenu* recentDropDown_ = nullptr;
  QMenu* newDropDown_ = nullptr;
  QToolBar* menuBand_ = nullptr;
  QToolBar* standardBar_ = nullptr;
  QToolBar* databaseBar_ = nullptr;
  FrameStatusBar* status_ = nullptr;
  DataListView* dataList_ = nullptr;
  PagerBar* pagerBar_ = nullptr;
  std::optional<PageJob> pendingPage_;  // asked for while a page job ran
  // What waits for a job that is still ending: the newest job asked for, a close.
  std::optional<int> queuedJobCode_;
  std::unique_ptr<ShowData> queuedJobRequest_;
  bool stopping_ = false;
  bool cleanUpAfterStop_ = false;
  bool closeAfterStop_ = false;
  bool closeConnectionAfterStop_ = false;
  long long pendingRow_ = -1;  // a restored point's row, once its load has ended
  QuickViewBar* quickView_ = nullptr;
  DatabaseTree* tree_ = nullptr;
  ReportPane* report_ = nullptr;
  SqlPane* sqlPane_ = nullptr;
  QDockWidget* quickViewDock_ = nullptr;
  QDockWidget* treeDock_ = nullptr;
  QDockWidget* reportDock_ = nullptr;
  QDockWidget* sqlDock_ = nullptr;
  QTimer* idleTimer_ = nullptr;
  bool fullRowCursor_ = true;
  unsigned propertiesPage_ = config::kPageGeneral;  // the properties page shown last
  // Set from the start of a job until its first report arrives: the worker's own busy state
  // begins only once its thread runs.
  bool jobStarting_ = false;
  bool panesArranged_ = false;
  int waitCursorDepth_ = 0;
  std::unique_ptr<WindowLayout> layout_;  // last: it watches the panes until the window goes
  friend class FrameConnectionUi;
};

}  // namespace quillet::ui
