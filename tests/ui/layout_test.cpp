// The window's layout across runs: what one window leaves in the store when it closes or saves
// the configuration, and what the next window makes of it, damaged values included.

#include <QDockWidget>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <map>
#include <utility>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_values.h"
#include "layout/layout_values.h"
#include "resources/command_ids.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;

namespace {

using Bytes = std::vector<std::uint8_t>;
using StoredValues = std::map<std::string, std::pair<std::uint32_t, Bytes>>;

config::RegistryStore& Store() {
  return config::RegistryStore::Default();
}

config::RegKey Key(const char* format) {
  config::RegKey key;
  Store().CreateKey(config::KeyPath(format, config::kVersionMajor, config::kVersionMinor), &key);
  return key;
}
config::RegKey ViewKey() {
  return Key(config::kViewKeyFormat);
}

// Every value of a key with its type and bytes.
StoredValues ValuesOf(const config::RegKey& key) {
  StoredValues values;
  std::string name;
  std::uint32_t type = 0;
  Bytes data;
  for (std::uint32_t i = 0; key.EnumValue(i, &name, &type, &data) == config::ERROR_SUCCESS; ++i)
    values[name] = {type, data};
  return values;
}

std::optional<std::uint32_t> StoredDword(const char* name) {
  std::uint32_t value = 0;
  if (config::ReadDword(ViewKey(), name, &value) != config::ERROR_SUCCESS) return std::nullopt;
  return value;
}

std::optional<layout::PanePlacement> StoredPane(const char* name) {
  Bytes data;
  if (ViewKey().QueryValue(name, nullptr, &data) != config::ERROR_SUCCESS) return std::nullopt;
  const auto record = layout::PaneRecordFromBytes(data);
  if (!record) return std::nullopt;
  return layout::DecodePane(*record);
}

bool Locked(MainWindow* window) {
  for (QToolBar* bar : window->findChildren<QToolBar*>())
    if (bar->isMovable()) return false;
  return true;
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  // A window as the program starts it with `args`, shown and idle.
  MainWindow* NewWindow(std::vector<std::string> args = {}) {
    FrameManager* manager = fx_.Manager(args);
    args.insert(args.begin(), "quillet");
    MainWindow* window = manager->AddWindow(FrameManager::CommandString(args));
    if (window == nullptr || !QTest::qWaitForWindowExposed(window) || !uitest::WaitIdle(window))
      return nullptr;
    return window;
  }

  static void Close(MainWindow* window) {
    window->close();
    uitest::Settle();
  }

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() {
    fx_.Begin();
    Store().DeleteKeyTree(config::kRootKeyPath);
  }
  void cleanup() { fx_.End(); }

  void aCustomLayoutComesBack() {
    MainWindow* first = NewWindow({"-udl", uitest::DemoUdl().toStdString()});
    QVERIFY(first != nullptr);
    first->move(120, 80);
    first->resize(1000, 660);
    first->addDockWidget(Qt::LeftDockWidgetArea, first->ReportDock());
    first->QuickViewDock()->setFloating(true);
    first->QuickViewDock()->move(640, 360);
    first->OnCommand(cmd::kSqlWindow);  // shown, then hidden again
    uitest::Settle();
    first->OnCommand(cmd::kSqlWindow);
    first->OnCommand(cmd::kLockToolBars);
    first->OnCommand(cmd::kStatusBar);
    // The database buttons go in front of the standard buttons, on their row; a hidden band
    // keeps its place.
    first->removeToolBarBreak(first->DatabaseBar());
    first->insertToolBar(first->StandardBar(), first->DatabaseBar());
    first->OnCommand(cmd::kStandardButtons);
    uitest::Settle();
    const QRect report = first->ReportDock()->geometry();
    const QRect tree = first->TreeDock()->geometry();
    const QRect floating = first->QuickViewDock()->geometry();
    Close(first);

    MainWindow* second = NewWindow({"-udl", uitest::DemoUdl().toStdString()});
    QVERIFY(second != nullptr);
    QCOMPARE(QRect(second->pos(), second->size()), QRect(120, 80, 1000, 660));
    QCOMPARE(second->dockWidgetArea(second->ReportDock()), Qt::LeftDockWidgetArea);
    QVERIFY(second->ReportDock()->isVisible());
    QVERIFY(second->ReportDock()->y() > second->TreeDock()->y());
    QVERIFY(qAbs(second->ReportDock()->height() - report.height()) <= 4);
    QVERIFY(qAbs(second->ReportDock()->width() - report.width()) <= 4);
    QVERIFY(qAbs(second->TreeDock()->height() - tree.height()) <= 4);
    QVERIFY(second->QuickViewDock()->isFloating() && second->QuickViewDock()->isVisible());
    QCOMPARE(second->QuickViewDock()->geometry(), floating);
    QVERIFY(second->SqlDock()->isHidden());
    QVERIFY(Locked(second) && second->IsCommandChecked(cmd::kLockToolBars));
    QVERIFY(second->statusBar()->isHidden() && !second->IsCommandChecked(cmd::kStatusBar));
    QVERIFY(second->StandardBar()->isHidden() && !second->IsCommandChecked(cmd::kStandardButtons));
    QVERIFY(second->IsCommandChecked(cmd::kDatabaseButtons));
    uitest::SaveScreenshot(second, QStringLiteral("restored_layout.png"));

    second->OnCommand(cmd::kStandardButtons);
    second->OnCommand(cmd::kLockToolBars);  // the lock went on through the command
    QVERIFY(second->StandardBar()->isMovable());
    uitest::Settle();
    const QRect database = second->DatabaseBar()->geometry();
    QCOMPARE(second->StandardBar()->y(), database.y());
    QVERIFY(database.x() < second->StandardBar()->x());
    QVERIFY(second->findChild<QToolBar*>(QStringLiteral("60160"))->y() < database.y());
  }

  void panesOnOtherSidesInTabsAndClosedComeBack() {
    MainWindow* first = NewWindow();
    QVERIFY(first != nullptr);
    first->addDockWidget(Qt::RightDockWidgetArea, first->ReportDock());
    first->OnCommand(cmd::kSqlWindow);
    first->addDockWidget(Qt::BottomDockWidgetArea, first->SqlDock());
    first->tabifyDockWidget(first->SqlDock(), first->TreeDock());
    first->TreeDock()->raise();
    first->QuickViewDock()->setFloating(true);
    first->QuickViewDock()->move(420, 260);
    uitest::Settle();
    const QRect floating = first->QuickViewDock()->geometry();
    first->OnCommand(cmd::kQuickViewBar);
    first->QuickViewDock()->move(10, 10);  // a closed pane's rectangle is not what is kept
    Close(first);

    MainWindow* second = NewWindow();
    QVERIFY(second != nullptr);
    QCOMPARE(second->dockWidgetArea(second->ReportDock()), Qt::RightDockWidgetArea);
    QCOMPARE(second->dockWidgetArea(second->SqlDock()), Qt::BottomDockWidgetArea);
    QCOMPARE(second->tabifiedDockWidgets(second->SqlDock()),
             QList<QDockWidget*>{second->TreeDock()});
    // The tree is the tab in front; the SQL pane's tab is moved out of sight.
    QVERIFY(!second->TreeDock()->visibleRegion().isEmpty());
    QVERIFY(second->SqlDock()->visibleRegion().isEmpty());
    QVERIFY(second->QuickViewDock()->isFloating() && second->QuickViewDock()->isHidden());
    second->OnCommand(cmd::kQuickViewBar);
    uitest::Settle();
    QCOMPARE(second->QuickViewDock()->geometry(), floating);
  }

  void saveTheConfigurationWritesTheLayoutAndMeasuresTheHiddenSqlPane() {
    MainWindow* window = NewWindow();
    QVERIFY(window != nullptr);
    window->move(33, 44);
    window->resize(800, 600);
    QSignalSpy sqlShown(window->SqlDock(), &QDockWidget::visibilityChanged);
    window->OnCommand(cmd::kSaveConfiguration);
    config::SettingsPage view = config::MakeViewGroup();
    config::ExchangeView(config::kExchangeRead, view, Store());
    QCOMPARE(view.Value(config::option::kFirstStart), 0);
    QCOMPARE(StoredDword("right"), std::optional<std::uint32_t>(833));
    QVERIFY(StoredDword("60162"));
    for (const char* pane : layout::kPaneNames) QVERIFY2(StoredPane(pane), pane);
    QCOMPARE(StoredPane("report")->side, layout::DockSide::kBottom);
    QVERIFY(StoredPane("report")->isDocked && StoredPane("report")->shown);

    QCOMPARE(sqlShown.count(), 2);
    QCOMPARE(sqlShown.at(0).at(0).toBool(), true);
    QVERIFY(window->SqlDock()->isHidden());
    const auto sql = StoredPane("sqledt");
    QVERIFY(sql->isDocked && !sql->shown);
    QCOMPARE(sql->side, layout::DockSide::kTop);
    QVERIFY(!sql->docked.IsEmpty());
  }

  void dontSaveLayoutLeavesTheStoredLayoutAlone() {
    Close(NewWindow());
    const StoredValues view = ValuesOf(ViewKey());
    const StoredValues version = ValuesOf(Key(config::kVersionKeyFormat));
    QVERIFY(view.count("report") == 1);

    MainWindow* second =
        NewWindow({"-udl", uitest::DemoUdl().toStdString(), "-dontsavelayout", "-hide_report"});
    QVERIFY(second != nullptr);
    second->move(300, 200);
    second->OnCommand(cmd::kLockToolBars);
    second->OnCommand(cmd::kSaveConfiguration);
    Close(second);
    QVERIFY(ValuesOf(ViewKey()) == view);
    QVERIFY(ValuesOf(Key(config::kVersionKeyFormat)) == version);
    // The recent list is written all the same.
    config::RegKey recent;
    QCOMPARE(Store().OpenKey(std::string(config::kRootKeyPath) + "\\Recent Document List", &recent),
             config::ERROR_SUCCESS);
    Bytes document;
    QCOMPARE(recent.QueryValue("Document1", nullptr, &document), config::ERROR_SUCCESS);
    QVERIFY(QByteArray(reinterpret_cast<const char*>(document.data())).contains("demo.udl"));
  }

  void damagedValuesGiveTheDefaults_data() {
    // Which damaged records are refused is the layout store's unit test.
    QTest::addColumn<bool>("offScreen");  // a stored rectangle that no screen shows
    QTest::newRow("fresh store") << false;
    QTest::newRow("on no screen") << true;
  }
  void damagedValuesGiveTheDefaults() {
    QFETCH(bool, offScreen);
    config::RegKey view = ViewKey();
    if (offScreen) {
      for (const char* name : {"left", "top"}) config::WriteDword(view, name, 50000);
      for (const char* name : {"right", "bottom"}) config::WriteDword(view, name, 50400);
    }

    MainWindow* window = NewWindow();
    QVERIFY(window != nullptr);
    // 400 by 400 at the corner, or as small as the window's bars and panes let it be.
    QCOMPARE(window->pos(), QPoint(0, 0));
    QCOMPARE(window->size(), QSize(400, 400).expandedTo(window->minimumSizeHint()));
    QVERIFY(!window->isMaximized());
    QVERIFY(!window->ReportDock()->isFloating());
    QVERIFY(window->ReportDock()->isVisible());
    QCOMPARE(window->dockWidgetArea(window->ReportDock()), Qt::BottomDockWidgetArea);
    QCOMPARE(window->dockWidgetArea(window->QuickViewDock()), Qt::LeftDockWidgetArea);
    QVERIFY(window->SqlDock()->isHidden());
    QVERIFY(!Locked(window));
    QVERIFY(window->IsCommandChecked(cmd::kStatusBar));
  }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
