// The window's commands and start actions beyond the first walk: view styles, panes, Up, the
// quick view bar, the tree's lazy folders, the start verbs with their dialogs, start-up options
// and reports arriving from another thread.

#include <QDockWidget>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <thread>

#include "config/registry_store.h"
#include "datasource/udl_file.h"
#include "datasource/ui/data_link_dialog.h"
#include "report/ui/report_pane.h"
#include "shell/ui/command_ids.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/main_window.h"
#include "shell/ui/quick_view_bar.h"
#include "tabledata/ui/data_list_view.h"
#include "ui_test_support.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::WaitIdle;

class FrameCommandsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FrameManager> manager_;
  std::unique_ptr<uitest::MessageRecorder> boxes_;

  MainWindow* Start(std::vector<std::string> args) {
    args.insert(args.begin(), "quillet");
    manager_ = std::make_unique<FrameManager>(args, config::RegistryStore::Default());
    manager_->SetOfferTips(false);
    MainWindow* window = manager_->AddWindow(FrameManager::CommandString(args));
    if (window != nullptr) WaitIdle(window);
    return window;
  }

  std::string DemoSqlite() const {
    return "Provider=SQLite;Data Source=" + uitest::DemoDb().toStdString();
  }

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() { boxes_ = std::make_unique<uitest::MessageRecorder>(); }
  void cleanup() {
    manager_.reset();
    boxes_.reset();
    SetDataLinkDialogHandler({});
    SetFileHandler({});
  }

  void listStyleCommandsFollowTheShownElement() {
    MainWindow* window = Start({"-udl", uitest::DemoUdl().toStdString()});
    QVERIFY(window != nullptr);
    DataListView* list = window->DataList();
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kStyleReport));

    window->OnCommand(cmd::kStyleReport);
    QVERIFY(WaitIdle(window));
    QCOMPARE(list->ViewStyle(), 1u);
    QCOMPARE(list->Model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Name"));
    window->UpdateUi();
    QVERIFY(window->IsCommandChecked(cmd::kStyleReport));
    QVERIFY(!window->IsCommandChecked(cmd::kStyleIcons));

    window->OnCommand(cmd::kStyleList);
    QVERIFY(WaitIdle(window));
    QCOMPARE(list->ViewStyle(), 3u);
    window->UpdateUi();
    QVERIFY(window->IsCommandChecked(cmd::kStyleList));
    // The items are still there, in the list view.
    QCOMPARE(list->Model()->rowCount(), 3);
    QCOMPARE(list->Model()->CellText(0, 0), QStringLiteral("Tables"));

    // Table rows have no list settings: their styles are off and they show as a report.
    window->Elements().ActivateListItem("Tables", true);
    window->StartJob(kSlotTables);
    QVERIFY(WaitIdle(window));
    window->Elements().ActivateListItem("customers", true);
    window->StartJob(kSlotTable);
    QVERIFY(WaitIdle(window));
    window->UpdateUi();
    QVERIFY(!window->IsCommandEnabled(cmd::kStyleIcons));
    QCOMPARE(list->ViewStyle(), 1u);
    QCOMPARE(list->Model()->rowCount(), 60);
  }

  void upGoesToTheParentAndQuickViewToAFolder() {
    MainWindow* window = Start({"-udl", uitest::DemoUdl().toStdString()});
    QVERIFY(window != nullptr);
    window->UpdateUi();
    QVERIFY(!window->IsCommandEnabled(cmd::kUp));

    window->QuickView()->Button(2)->click();  // table views
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotViews);
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kUp));
    window->OnCommand(cmd::kUp);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotDatabase);
    QCOMPARE(window->DataList()->Model()->rowCount(), 3);

    // Back returns to the views folder; Forward restores the point Back took, the place shown.
    window->UpdateUi();
    window->OnCommand(cmd::kBack);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotViews);
    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kForward));
    window->OnCommand(cmd::kForward);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().ListSlot(), kSlotViews);
    window->UpdateUi();
    QVERIFY(!window->IsCommandEnabled(cmd::kForward));
  }

  void treeFoldersFillOnceAndProceduresHaveNoChildren() {
    MainWindow* window = Start({"-udl", uitest::DemoUdl().toStdString()});
    QVERIFY(window != nullptr);
    DatabaseTree* tree = window->Tree();
    QTRY_VERIFY(tree->topLevelItemCount() == 1 && tree->topLevelItem(0)->childCount() == 3);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QTreeWidgetItem* procedures = tree->FindChild(root, QStringLiteral("Store Procedures"));
    QTreeWidgetItem* tables = tree->FindChild(root, QStringLiteral("Tables"));
    QVERIFY(procedures != nullptr && tables != nullptr);
    QCOMPARE(procedures->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    procedures->setExpanded(true);
    QCOMPARE(procedures->childCount(), 0);

    tables->setExpanded(true);
    const int count = tables->childCount();
    QVERIFY(count >= 9);
    tables->setExpanded(false);
    tables->setExpanded(true);
    QCOMPARE(tables->childCount(), count);
    // A table item has no children of its own.
    QTreeWidgetItem* orders = tree->FindChild(tables, QStringLiteral("orders"));
    QVERIFY(orders != nullptr);
    QCOMPARE(orders->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  }

  void paneTogglesAndReportVisibility() {
    MainWindow* window = Start({"-hide_report", "-hide_dbqbar"});
    QVERIFY(window != nullptr);
    QVERIFY(window->ReportDock()->isHidden());
    QVERIFY(window->QuickViewDock()->isHidden());
    QVERIFY(!window->TreeDock()->isHidden());
    window->UpdateUi();
    QVERIFY(!window->IsCommandChecked(cmd::kReportWindow));
    QVERIFY(window->IsCommandChecked(cmd::kDatabaseTree));

    // A note leaves the hidden pane hidden; an error shows it.
    window->ReportInformation("a note");
    QVERIFY(window->ReportDock()->isHidden());
    window->ReportError("a failure");
    QVERIFY(!window->ReportDock()->isHidden());
    QCOMPARE(window->Report()->Model()->rowCount(), 2);
    window->UpdateUi();
    QVERIFY(window->IsCommandChecked(cmd::kReportWindow));

    window->OnCommand(cmd::kDatabaseTree);
    QVERIFY(window->TreeDock()->isHidden());
    QVERIFY(!window->IsCommandChecked(cmd::kDatabaseTree));
    window->OnCommand(cmd::kDatabaseTree);
    QVERIFY(!window->TreeDock()->isHidden());

    // Without a connection the SQL window cannot be shown.
    QVERIFY(!window->IsCommandEnabled(cmd::kSqlWindow));
    QVERIFY(!window->IsCommandEnabled(cmd::kStop));
  }

  void reportsFromAnotherThreadArriveInOrder() {
    MainWindow* window = Start({});
    QVERIFY(window != nullptr);
    std::thread worker([window] {
      for (int i = 0; i < 200; ++i) window->ReportInformation("note " + std::to_string(i));
    });
    worker.join();  // the calls never waited for the window's thread
    QCOMPARE(window->Report()->Model()->rowCount(), 0);
    QTRY_COMPARE(window->Report()->Model()->rowCount(), 200);
    const auto& log = window->Report()->Model()->Log();
    for (int i = 0; i < 200; ++i)
      QCOMPARE(log.At(static_cast<std::size_t>(199 - i)).description, "note " + std::to_string(i));
  }

  void newConnectionStringVerb() {
    SetDataLinkDialogHandler([this](const std::string&) { return DemoSqlite(); });
    MainWindow* window = Start({"-newcstr"});
    QVERIFY(window != nullptr);
    QVERIFY(window->IsConnected());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillet - [connection string]"));
    QCOMPARE(window->DataList()->Model()->rowCount(), 3);

    // Cancelled, the window closes unseen and nothing else changes.
    SetDataLinkDialogHandler([](const std::string&) { return std::nullopt; });
    QVERIFY(manager_->AddWindow("-newcstr") == nullptr);
    QTRY_COMPARE(manager_->Count(), 1);
    QVERIFY(boxes_->Boxes().empty());
  }

  void newDataLinkVerbWritesAndOpensTheFile() {
    QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/made.udl");
    SetFileHandler([path](const FileRequest& request) { return request.save ? path : QString(); });
    SetDataLinkDialogHandler([this](const std::string& initial) {
      return initial.empty() ? std::optional<std::string>(DemoSqlite()) : std::nullopt;
    });
    MainWindow* window = Start({"-newudl"});
    QVERIFY(window != nullptr);
    QVERIFY(window->IsConnected());
    QCOMPARE(window->windowTitle(), QStringLiteral("Quillet - [") + path + QStringLiteral("]"));
    std::string stored;
    std::string error;
    QVERIFY(db::ReadDataLinkFile(path.toStdString(), &stored, &error));
    QVERIFY2(stored.find(uitest::DemoDb().toStdString()) != std::string::npos, stored.c_str());
  }

  void openVerbCancelledClosesTheWindow() {
    SetFileHandler([](const FileRequest&) { return QString(); });
    manager_ = std::make_unique<FrameManager>(std::vector<std::string>{"quillet"},
                                              config::RegistryStore::Default());
    manager_->SetOfferTips(false);
    QVERIFY(manager_->AddWindow("-openudl") == nullptr);
    QTRY_COMPARE(manager_->Count(), 0);
  }

  void aboutBoxNamesVersionAndBuild() {
    MainWindow* window = Start({});
    QVERIFY(window != nullptr);
    window->OnCommand(cmd::kAbout);
    QCOMPARE(boxes_->Boxes().size(), std::size_t{1});
    const QString text = boxes_->Boxes()[0].text;
    QVERIFY2(text.contains(QStringLiteral("Version 1.6")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("English")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("(UTF-8 build)")), qPrintable(text));
  }
};

QTEST_MAIN(FrameCommandsTest)
#include "frame_commands_test.moc"
