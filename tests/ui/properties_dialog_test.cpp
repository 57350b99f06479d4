// The properties dialog: its pages and their checks, the Apply button, the page kept between
// openings, and what the window takes from the dialog once it has closed.

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_store.h"
#include "config/ui/appearance_page.h"
#include "config/ui/caption_bar.h"
#include "config/ui/data_tree_page.h"
#include "config/ui/general_page.h"
#include "config/ui/properties_dialog.h"
#include "elements/element_slots.h"
#include "report/ui/report_pane.h"
#include "resources/command_ids.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/frame_manager.h"
#include "shell/ui/main_window.h"
#include "tabledata/ui/data_list_view.h"
#include "ui_test_support.h"

using namespace quillet;
using namespace quillet::ui;
namespace option = quillet::config::option;

namespace {

const QString kErrorCaption = QStringLiteral("Quillet: Error message");

std::string GeneralKey() {
  return config::KeyPath(config::kGeneralKeyFormat, config::kVersionMajor, config::kVersionMinor);
}

// A window's pages and a dialog over them, as the Configuration command builds it.
struct DialogUnderTest {
  // `prepare` may change the pages' values before the dialog reads them.
  explicit DialogUnderTest(unsigned& current, std::function<void(config::PageSet&)> prepare = {}) {
    config::BuildPageSet(pages, store());
    if (prepare) prepare(pages);
    dialog = std::make_unique<PropertiesDialog>(pages, store(), current);
    dialog->SetBeep([this] { ++beeps; });
    dialog->show();
  }
  static config::RegistryStore& store() { return config::RegistryStore::Default(); }
  config::SettingsPage& Page(unsigned id) { return pages.GetPage(id); }
  GeneralPage* General() const {
    return static_cast<GeneralPage*>(dialog->Page(config::kPageGeneral));
  }
  QCheckBox* Box(unsigned pageId, int index) const {
    return dialog->Page(pageId)->findChildren<QCheckBox*>().at(index);
  }

  config::PageSet pages;
  std::unique_ptr<PropertiesDialog> dialog;
  int beeps = 0;
};

// Answers the modal dialog the window opens, then lets the command go on.
void WhenDialogOpens(std::function<void(PropertiesDialog*)> work) {
  QTimer::singleShot(0, [work = std::move(work)] {
    auto* dialog = qobject_cast<PropertiesDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog != nullptr);
    work(dialog);
  });
}

}  // namespace

class PropertiesDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<uitest::MessageRecorder> boxes_;
  unsigned current_ = config::kPageGeneral;

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }
  void init() {
    // Every case starts from the defaults, whatever the one before it stored.
    config::RegistryStore::Default().DeleteKeyTree(config::kRootKeyPath);
    boxes_ = std::make_unique<uitest::MessageRecorder>();
    current_ = config::kPageGeneral;
  }
  void cleanup() { boxes_.reset(); }

  void opensOnGeneralWithItsValuesAndTheTree() {
    DialogUnderTest t(current_);
    PropertiesDialog* d = t.dialog.get();
    QVERIFY(d->Page(config::kPageGeneral)->isVisible());
    QVERIFY(d->Page(config::kPageDataList)->isHidden());
    QVERIFY(!d->ApplyButton()->isEnabled());
    uitest::SaveScreenshot(d, QStringLiteral("properties.png"));
    d->ShowPage(config::kPageDataList);
    uitest::SaveScreenshot(d, QStringLiteral("properties_data_list.png"));
    d->ShowPage(config::kPageAppearance);
    uitest::SaveScreenshot(d, QStringLiteral("properties_appearance.png"));
  }

  // 17 recent entries: the range box, the old number back, the dialog still open; the check
  // boxes of the page and "SingleInstance" in the store are taken all the same.
  void recentEntriesOutOfRangeKeepTheDialogOpen() {
    DialogUnderTest t(current_);
    t.Box(config::kPageGeneral, 0)->click();  // table folder on
    t.Box(config::kPageGeneral, 1)->click();  // single instance off
    t.General()->RecentField()->setText(QStringLiteral("17"));
    t.General()->BackPointsField()->setText(QStringLiteral("99"));
    t.dialog->OkButton()->click();

    QCOMPARE(boxes_->Boxes().size(), std::size_t{1});
    const MessageRequest& box = boxes_->Boxes().front();
    QCOMPARE(box.caption, kErrorCaption);
    QCOMPARE(box.text, QStringLiteral("Please enter an integer value between 2 and 16"));
    QCOMPARE(box.icon, BoxIcon::kWarning);
    QCOMPARE(t.General()->RecentField()->text(), QStringLiteral("4"));
    QVERIFY(t.dialog->isVisible());
    QCOMPARE(t.dialog->result(), 0);

    config::SettingsPage& general = t.Page(config::kPageGeneral);
    QVERIFY(general.IsModified());
    QCOMPARE(general.Value(option::kGoDirectlyToTableFldr), 1);
    QCOMPARE(general.Value(option::kSingleInstance), 0);
    QCOMPARE(general.Value(option::kRecentListMaxEnteries), 4);
    // The failure stops the page before the back points, and the pages after it.
    QCOMPARE(general.Value(option::kMaxBackupPoints), 20);
    QVERIFY(!t.Page(config::kPageAppearance).IsModified());
    QCOMPARE(config::ReadSingleInstance(t.store(), GeneralKey(), 7), 0u);
  }

  void backPointsField_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<int>("stored");
    QTest::newRow("zero") << "0" << true << 0 << 0 << 0;
    QTest::newRow("upper bound") << "500" << true << 0 << 0 << 500;
    QTest::newRow("blanks around") << " 37 " << true << 0 << 0 << 37;
    QTest::newRow("one too many") << "501" << false << 1 << 0 << 20;
    QTest::newRow("negative") << "-1" << false << 1 << 0 << 20;
    QTest::newRow("letters") << "abc" << false << 0 << 1 << 20;
    QTest::newRow("empty") << "" << false << 0 << 1 << 20;
    QTest::newRow("digits then letters") << "12ab" << false << 0 << 1 << 20;
    QTest::newRow("beyond 32 bits") << "99999999999" << false << 0 << 1 << 20;
  }
  void backPointsField() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, boxes);
    QFETCH(int, beeps);
    QFETCH(int, stored);
    DialogUnderTest t(current_);
    t.General()->BackPointsField()->setText(text);
    QCOMPARE(t.dialog->ApplyPages(), accepted);
    QCOMPARE(int(boxes_->Boxes().size()), boxes);
    if (boxes > 0) QVERIFY(boxes_->Saw(kErrorCaption, QStringLiteral("between 0 and 500")));
    QCOMPARE(t.beeps, beeps);
    QCOMPARE(t.Page(config::kPageGeneral).Value(option::kMaxBackupPoints), stored);
    if (!accepted) QCOMPARE(t.General()->BackPointsField()->text(), QStringLiteral("20"));
    // Only the pages before the failing one, and the failing one itself, are applied.
    QCOMPARE(t.Page(config::kPageReportWindow).IsModified(), accepted);
  }

  void linesAndFullRowExcludeEachOther() {
    DialogUnderTest t(current_);
    auto* page = static_cast<DataTreePage*>(t.dialog->Page(config::kPageDataTree));
    // Defaults: lines on, full row off and disabled.
    QVERIFY(page->LinesBox()->isChecked());
    QVERIFY(!page->FullRowBox()->isEnabled());

    page->LinesBox()->click();  // lines off: full row free again
    QVERIFY(page->FullRowBox()->isEnabled());
    page->FullRowBox()->click();  // full row on: lines off and disabled
    QVERIFY(!page->LinesBox()->isEnabled());
    page->FullRowBox()->click();
    QVERIFY(page->LinesBox()->isEnabled());
    page->LinesBox()->click();
    QVERIFY(!page->FullRowBox()->isEnabled());
    QVERIFY(!page->FullRowBox()->isChecked());
    QVERIFY(t.dialog->ApplyButton()->isEnabled());
  }

  void storedBothOnLoadsWithOnlyTheLinesRule() {
    current_ = config::kPageDataTree;
    DialogUnderTest t(current_, [](config::PageSet& pages) {
      pages.GetPage(config::kPageDataTree).SetValue(option::kIsHasLines, 1);
      pages.GetPage(config::kPageDataTree).SetValue(option::kIsFullRowSel, 1);
    });
    auto* page = static_cast<DataTreePage*>(t.dialog->Page(config::kPageDataTree));
    QVERIFY(page->LinesBox()->isChecked() && page->LinesBox()->isEnabled());
    QVERIFY(!page->FullRowBox()->isChecked() && !page->FullRowBox()->isEnabled());
    QVERIFY(t.dialog->ApplyPages());
    QCOMPARE(t.Page(config::kPageDataTree).Value(option::kIsFullRowSel), 0);
  }

  void checkBoxValuesOutsideTheirRangeLoadAsOff() {
    DialogUnderTest t(current_, [](config::PageSet& pages) {
      config::SettingsPage& report = pages.GetPage(config::kPageReportWindow);
      report.SetValue(option::kIsShowGrid, 7);
      report.SetValue(option::kIsFullRowSel, -1);
      report.SetValue(option::kIsFlatSB, 2);
    });
    config::SettingsPage& report = t.Page(config::kPageReportWindow);
    const QList<QCheckBox*> boxes =
        t.dialog->Page(config::kPageReportWindow)->findChildren<QCheckBox*>();
    QCOMPARE(report.Value(option::kIsShowGrid), 0);
    QCOMPARE(report.Value(option::kIsFullRowSel), 0);
    QCOMPARE(boxes.at(0)->checkState(), Qt::Unchecked);
    QCOMPARE(boxes.at(2)->checkState(), Qt::PartiallyChecked);
    QVERIFY(t.dialog->ApplyPages());
    QCOMPARE(report.Value(option::kIsFlatSB), 2);
    boxes.at(2)->click();  // a click leaves the third state for good
    QVERIFY(t.dialog->ApplyPages());
    QCOMPARE(report.Value(option::kIsFlatSB), 1);
  }

  void numberFieldAloneLeavesApplyOffButOkTakesIt() {
    DialogUnderTest t(current_);
    QLineEdit* field = t.General()->RecentField();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("9"));
    QVERIFY(!t.dialog->ApplyButton()->isEnabled());
    t.dialog->OkButton()->click();
    QCOMPARE(t.dialog->result(), int(QDialog::Accepted));
    QCOMPARE(t.Page(config::kPageGeneral).Value(option::kRecentListMaxEnteries), 9);

    DialogUnderTest second(current_);
    second.Box(config::kPageDataList, 1)->click();
    QVERIFY(second.dialog->ApplyButton()->isEnabled());
    second.dialog->ApplyButton()->click();
    QVERIFY(!second.dialog->ApplyButton()->isEnabled());
    QCOMPARE(second.Page(config::kPageDataList).Value(option::kIsShowGrid), 0);
    QVERIFY(second.dialog->isVisible());
  }

  // Values applied before Cancel stay, and the window takes every applied page once the
  // dialog has closed; a later opening starts on the page shown last.
  void cancelAfterApplyUpdatesTheWindow() {
    FrameManager manager({"quillet"}, config::RegistryStore::Default());
    manager.SetOfferTips(false);
    MainWindow* window = manager.AddWindow(FrameManager::CommandString({"quillet"}));
    QVERIFY(window != nullptr);
    QVERIFY(window->Report()->View()->showGrid());
    QVERIFY(window->DataList()->FullRowCursor());
    QVERIFY(window->Tree()->rootIsDecorated());

    WhenDialogOpens([](PropertiesDialog* d) {
      auto* general = static_cast<GeneralPage*>(d->Page(config::kPageGeneral));
      general->RecentField()->setText(QStringLiteral("1"));  // refused: the window keeps 4
      d->ApplyButton()->click();
      general->RecentField()->setText(QStringLiteral("2"));
      d->ShowPage(config::kPageReportWindow);
      d->Page(config::kPageReportWindow)->findChildren<QCheckBox*>().at(0)->click();
      d->Page(config::kPageDataList)->findChildren<QCheckBox*>().at(2)->click();
      d->Page(config::kPageDataTree)->findChildren<QCheckBox*>().at(1)->click();
      d->ApplyButton()->click();
      d->CancelButton()->click();
    });
    window->OnCommand(cmd::kConfiguration);

    QCOMPARE(window->Pages().GetPage(config::kPageReportWindow).Value(option::kIsShowGrid), 0);
    QVERIFY(!window->Report()->View()->showGrid());
    QVERIFY(!window->DataList()->FullRowCursor());
    QVERIFY(!window->Tree()->rootIsDecorated());
    QCOMPARE(window->Connection().Recent().Maximum(), 2);

    // The pages stay modified: a dialog closed at once applies them again, and it opens on
    // the page shown last.
    window->Report()->ApplyReportOptions(true, true, false);
    QString caption;
    WhenDialogOpens([&caption](PropertiesDialog* d) {
      caption = d->Caption()->text();
      d->CancelButton()->click();
    });
    window->OnCommand(cmd::kConfiguration);
    QCOMPARE(caption, QStringLiteral("Report Window"));
    QVERIFY(!window->Report()->View()->showGrid());
  }

  // While connected, the list slot is shown again with the new options: without individual
  // list properties the tables folder takes the database's style.
  void dataListPageShowsTheListSlotAgain() {
    std::vector<std::string> args = {"quillet", "-udl", uitest::DemoUdl().toStdString()};
    FrameManager manager(args, config::RegistryStore::Default());
    manager.SetOfferTips(false);
    MainWindow* window = manager.AddWindow(FrameManager::CommandString(args));
    QVERIFY(window != nullptr);
    QVERIFY(uitest::WaitIdle(window));
    QVERIFY(window->IsConnected());
    window->OnCommand(cmd::kStyleList);  // the database: list
    QVERIFY(uitest::WaitIdle(window));
    window->StartJob(kSlotTables);
    QVERIFY(uitest::WaitIdle(window));
    window->OnCommand(cmd::kStyleReport);  // the tables folder: report
    QVERIFY(uitest::WaitIdle(window));
    DataListView* list = window->DataList();
    QCOMPARE(list->ViewStyle(), 1u);
    const int items = list->Model()->rowCount();
    QVERIFY(items > 0);

    WhenDialogOpens([](PropertiesDialog* d) {
      d->Page(config::kPageDataList)->findChildren<QCheckBox*>().at(0)->click();
      d->OkButton()->click();
    });
    window->OnCommand(cmd::kConfiguration);
    QVERIFY(uitest::WaitIdle(window));
    QCOMPARE(list->ViewStyle(), 3u);
    QCOMPARE(list->Model()->rowCount(), items);
  }
};

QTEST_MAIN(PropertiesDialogTest)
#include "properties_dialog_test.moc"
