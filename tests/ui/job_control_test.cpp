// The window's loading job against a provider that does not stop when told: Stop answers at
// once and the window stays usable until the job ends, a closed connection gets nothing more
// from the job it stopped, a closed window still ends cleanly; and Back after one table was
// shown straight after another.

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <thread>

#include "datasource/provider_registry.h"
#include "report/ui/report_pane.h"
#include "resources/command_ids.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/status_bar.h"
#include "sqlwindow/ui/sql_pane.h"
#include "tabledata/element_table.h"
#include "tabledata/ui/data_list_view.h"
#include "window_fixture.h"

using namespace quillet;
using namespace quillet::ui;
using quillet::uitest::WaitIdle;

namespace {

// How long the next data rowset's first fetch takes, whatever Cancel says (0: no stall).
std::atomic<int> stallMs{0};

// SQLite whose data rowsets stall once and ignore Cancel, as a provider stuck in a network call
// would. Schema rowsets (the tree) answer at once.
class StubbornRowset : public db::IRowset {
 public:
  explicit StubbornRowset(std::shared_ptr<db::IRowset> inner)
      : inner_(std::move(inner)), stall_(stallMs.exchange(0)) {}
  db::HRESULT GetColumnInfo(std::vector<db::DBCOLUMNINFO>* columns) override {
    return inner_->GetColumnInfo(columns);
  }
  db::HRESULT CreateAccessor(std::uint32_t flags, const std::vector<db::DBBINDING>& bindings,
                             std::size_t rowSize, db::HACCESSOR* accessor) override {
    return inner_->CreateAccessor(flags, bindings, rowSize, accessor);
  }
  db::HRESULT ReleaseAccessor(db::HACCESSOR accessor) override {
    return inner_->ReleaseAccessor(accessor);
  }
  db::HRESULT RestartPosition() override { return inner_->RestartPosition(); }
  db::HRESULT GetNextRows(std::int64_t offset, std::size_t requested, std::size_t* obtained,
                          db::HROW* row) override {
    if (const int ms = std::exchange(stall_, 0); ms > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return inner_->GetNextRows(offset, requested, obtained, row);
  }
  db::HRESULT GetData(db::HROW row, db::HACCESSOR accessor, void* data) override {
    return inner_->GetData(row, accessor, data);
  }
  db::HRESULT ReleaseRows(std::size_t count, const db::HROW* rows) override {
    return inner_->ReleaseRows(count, rows);
  }
  db::HRESULT CountRows(std::int64_t* count) override { return inner_->CountRows(count); }
  void Cancel() override {}  // not heard
  void CancelCount() override { inner_->CancelCount(); }

 private:
  std::shared_ptr<db::IRowset> inner_;
  int stall_;
};

class StubbornCommand : public db::ICommand {
 public:
  explicit StubbornCommand(std::shared_ptr<db::ICommand> inner) : inner_(std::move(inner)) {}
  db::HRESULT SetCommandText(const db::Guid& dialect, const std::u16string& text) override {
    return inner_->SetCommandText(dialect, text);
  }
  db::HRESULT Execute(std::shared_ptr<db::IRowset>* rowset, std::int64_t* affected) override {
    const db::HRESULT hr = inner_->Execute(rowset, affected);
    if (rowset != nullptr && *rowset) *rowset = std::make_shared<StubbornRowset>(*rowset);
    return hr;
  }

 private:
  std::shared_ptr<db::ICommand> inner_;
};

class StubbornSession : public db::ISession {
 public:
  explicit StubbornSession(std::shared_ptr<db::ISession> inner) : inner_(std::move(inner)) {}
  db::HRESULT GetSchemaRowset(const db::Guid& schema, const db::Restrictions& restrictions,
                              std::shared_ptr<db::IRowset>* rowset) override {
    return inner_->GetSchemaRowset(schema, restrictions, rowset);
  }
  db::HRESULT CreateCommand(std::shared_ptr<db::ICommand>* command) override {
    const db::HRESULT hr = inner_->CreateCommand(command);
    if (command != nullptr && *command) *command = std::make_shared<StubbornCommand>(*command);
    return hr;
  }
  db::HRESULT OpenRowset(const std::u16string& table,
                         std::shared_ptr<db::IRowset>* rowset) override {
    const db::HRESULT hr = inner_->OpenRowset(table, rowset);
    if (rowset != nullptr && *rowset) *rowset = std::make_shared<StubbornRowset>(*rowset);
    return hr;
  }

 private:
  std::shared_ptr<db::ISession> inner_;
};

class StubbornSource : public db::IDBInitialize {
 public:
  explicit StubbornSource(std::shared_ptr<db::IDBInitialize> inner) : inner_(std::move(inner)) {}
  db::HRESULT Initialize() override { return inner_->Initialize(); }
  db::HRESULT CreateSession(std::shared_ptr<db::ISession>* session) override {
    const db::HRESULT hr = inner_->CreateSession(session);
    if (session != nullptr && *session) *session = std::make_shared<StubbornSession>(*session);
    return hr;
  }

 private:
  std::shared_ptr<db::IDBInitialize> inner_;
};

std::shared_ptr<db::IDBInitialize> CreateStubbornSource(const db::InitProperties& properties) {
  return std::make_shared<StubbornSource>(db::CreateSqliteDataSource(properties));
}

// The longest the window's thread went without running its event loop, from Start() on.
class EventLoopWatch {
 public:
  EventLoopWatch() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout,
                     [this] { longest_ = std::max(longest_, clock_.restart()); });
    clock_.start();
    timer_.start();
  }
  qint64 Longest() const { return longest_; }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 longest_ = 0;
};

}  // namespace

class JobControlTest : public QObject {
  Q_OBJECT

 private:
  uitest::WindowFixture fx_;

  // A window on the demo database through the stubborn provider, showing the tables folder.
  MainWindow* OpenStubborn() {
    MainWindow* window =
        fx_.Start({"-constr", "Provider=Stubborn;Data Source=" + uitest::DemoDb().toStdString()});
    if (window == nullptr || !window->IsConnected()) return nullptr;
    window->Elements().ActivateListItem("Tables", true);
    window->StartJob(kSlotTables);
    return WaitIdle(window) ? window : nullptr;
  }

  // Starts loading `table` with its first fetch stalled for `ms`, and waits until the job is in it.
  static void StartStalledLoad(MainWindow* window, const std::string& table, int ms) {
    stallMs = ms;
    window->Elements().ActivateListItem(table, true);
    window->StartJob(kSlotTable);
    QTRY_VERIFY(stallMs.load() == 0);  // the rowset took the stall
    QTest::qWait(50);
  }

 private slots:
  void initTestCase() {
    uitest::ResetSettingsStore();
    db::RegisterProvider("Stubborn", &CreateStubbornSource);
  }
  void init() { fx_.Begin(); }
  void cleanup() {
    stallMs = 0;
    fx_.End();
  }

  void stopAnswersAtOnceWhileTheProviderKeepsOn() {
    MainWindow* window = OpenStubborn();
    QVERIFY(window != nullptr);
    EventLoopWatch watch;
    StartStalledLoad(window, "customers", 3000);

    QElapsedTimer clock;
    clock.start();
    window->OnCommand(cmd::kStop);
    QVERIFY2(clock.elapsed() < 1000, "Stop waited for the provider");
    // The window says it is stopping, keeps the job's commands off and Stop on.
    QCOMPARE(window->Status()->MessageText(), QStringLiteral("Stopping..."));
    window->UpdateUi();
    QVERIFY(!window->IsIdle());
    QVERIFY(!window->IsCommandEnabled(cmd::kRefresh));
    QVERIFY(window->IsCommandEnabled(cmd::kStop));
    // A new selection meanwhile waits for the job and then runs.
    window->Elements().ActivateListItem("orders", true);
    window->StartJob(kSlotTable);
    QVERIFY(!window->IsIdle());

    QVERIFY(WaitIdle(window, 10000));
    QCOMPARE(window->Elements().TableElement(kSlotTable)->GetName(), std::string("orders"));
    QCOMPARE(window->DataList()->Model()->rowCount(), 100);
    QVERIFY(window->Status()->MessageText() != QStringLiteral("Stopping..."));
    // The event loop ran throughout; the bound is loose for busy machines, the stall is 3 s.
    QVERIFY2(watch.Longest() < 1000, qPrintable(QString::number(watch.Longest())));
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void aClosedConnectionGetsNothingFromTheJobItStopped() {
    MainWindow* window = OpenStubborn();
    QVERIFY(window != nullptr);
    StartStalledLoad(window, "customers", 1500);
    QElapsedTimer clock;
    clock.start();
    window->OnCommand(cmd::kCloseConnection);
    QVERIFY(clock.elapsed() < 1000);
    // The connection goes once the job has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!window->IsConnected(), 10000);
    uitest::Settle(300);
    // Nothing of the stopped load came back: no rows, no query, no table in the status panes.
    QCOMPARE(window->DataList()->Model()->rowCount(), 0);
    QCOMPARE(window->Sql()->GetQueryText(), std::string());
    QVERIFY(!window->Status()->PaneText(57393).contains(QStringLiteral("customers")));
    QVERIFY(!window->Status()->ProgressVisible());
    QVERIFY(window->Status()->MessageText() != QStringLiteral("Stopping..."));
    QVERIFY(fx_.boxes->Boxes().empty());
  }

  void closingTheWindowDuringAStalledLoadEndsCleanly() {
    MainWindow* window = OpenStubborn();
    QVERIFY(window != nullptr);
    StartStalledLoad(window, "customers", 1500);
    QSignalSpy allClosed(fx_.manager.get(), &FrameManager::allWindowsClosed);
    QElapsedTimer clock;
    clock.start();
    window->close();
    QVERIFY(clock.elapsed() < 1000);
    QTRY_COMPARE_WITH_TIMEOUT(fx_.manager->Count(), 0, 10000);
    QCOMPARE(allClosed.count(), 1);
  }

  void backAfterOneTableAndThenAnotherShowsTheFirst() {
    MainWindow* window = fx_.StartDemo();
    QVERIFY(window != nullptr);
    QVERIFY(uitest::ShowTableFromTree(window, QStringLiteral("customers")));
    window->DataList()->SetCursor(5, 1);
    QVERIFY(uitest::ShowTableFromTree(window, QStringLiteral("orders")));
    QCOMPARE(window->DataList()->Model()->rowCount(), 100);

    window->UpdateUi();
    QVERIFY(window->IsCommandEnabled(cmd::kBack));
    window->OnCommand(cmd::kBack);
    QVERIFY(WaitIdle(window));
    QCOMPARE(window->Elements().TableElement(kSlotTable)->GetName(), std::string("customers"));
    QCOMPARE(window->DataList()->Model()->rowCount(), 60);
    QCOMPARE(window->DataList()->CursorRow(), 5);
    QVERIFY(window->Status()->PaneText(57393).contains(QStringLiteral("customers")));
  }
};

QTEST_MAIN(JobControlTest)
#include "job_control_test.moc"
