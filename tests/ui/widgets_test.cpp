// The panes and dialogs on their own: the report log pane, the cell colours, the status bar,
// the icons, the Data Link Properties dialog and the tip file.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

#include "datasource/init_string.h"
#include "datasource/ui/data_link_dialog.h"
#include "report/ui/report_pane.h"
#include "resources/ui/icons.h"
#include "shell/ui/status_bar.h"
#include "tabledata/ui/cell_colors.h"
#include "tip_file.h"
#include "ui_test_support.h"

using namespace quillet;
using namespace quillet::ui;

class WidgetsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { uitest::ResetSettingsStore(); }

  void reportPaneShowsEntriesNewestFirst() {
    ReportPane pane;
    pane.AddEntry(0, "first failure");
    pane.AddEntry(1, "a note");
    // The cell texts and the order are the report log's unit tests; here the current row.
    ReportModel* model = pane.Model();
    QVERIFY(!model->data(model->index(1, 0), Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(pane.View()->currentIndex().row(), 0);
    // A row the user picked stays picked as entries arrive; back on the newest, it follows them.
    pane.View()->setCurrentIndex(model->index(1, 2));
    pane.AddEntry(0, "second failure");
    QCOMPARE(pane.View()->currentIndex().row(), 2);
    QCOMPARE(model->data(pane.View()->currentIndex(), Qt::DisplayRole).toString(),
             QStringLiteral("first failure"));
    pane.View()->setCurrentIndex(model->index(0, 0));
    pane.AddEntry(1, "another note");
    QCOMPARE(pane.View()->currentIndex().row(), 0);
    // Options replace each other as a whole.
    pane.ApplyReportOptions(false, false, false);
    QVERIFY(!pane.View()->showGrid());
    QCOMPARE(pane.View()->selectionBehavior(), QAbstractItemView::SelectItems);
    pane.ApplyReportOptions(true, true, false);
    QVERIFY(pane.View()->showGrid());
    QCOMPARE(pane.View()->selectionBehavior(), QAbstractItemView::SelectRows);
  }

  void emptyReportShowsItsText() {
    ReportPane pane;
    pane.resize(640, 160);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    const QImage picture = pane.View()->viewport()->grab().toImage();
    // Some text is drawn in the upper middle, below the 20-pixel gap, and nothing above it.
    const auto darkIn = [&picture](int top, int bottom) {
      for (int y = top; y < bottom && y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
          if (qGray(picture.pixel(x, y)) < 128) return true;
      return false;
    };
    QVERIFY(!darkIn(0, 18));
    QVERIFY(darkIn(20, 45));
  }

  void cellRoles() {
    QCOMPARE(RoleOfCell(3, 2, 3, 2, true), CellRole::kCursorCell);
    QCOMPARE(RoleOfCell(3, 1, 3, 2, true), CellRole::kCursorRow);
    QCOMPARE(RoleOfCell(3, 1, 3, 2, false), CellRole::kOrdinary);
    QCOMPARE(RoleOfCell(4, 2, 3, 2, true), CellRole::kOrdinary);
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 120, 215));
    palette.setColor(QPalette::Active, QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::black);
    const CellColors cursor = ColorsFor(CellRole::kCursorCell, palette);
    QCOMPARE(cursor.background, QColor(127, 187, 235));
    // White would hardly read on the half-blended cursor: the window text takes its place.
    QCOMPARE(cursor.text, QColor(Qt::black));
    // A dark highlight keeps its own text colour.
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 0));
    palette.setColor(QPalette::Active, QPalette::HighlightedText, QColor(250, 250, 250));
    QCOMPARE(ColorsFor(CellRole::kCursorCell, palette).text, QColor(250, 250, 250));
    QCOMPARE(ColorsFor(CellRole::kCursorRow, palette).text, QColor(Qt::black));
  }

  // A dark colour scheme's light text must read on every cell, the cursor included.
  void cellColoursReadUnderADarkScheme() {
    QPalette dark;
    dark.setColor(QPalette::Active, QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Active, QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Active, QPalette::Highlight, QColor(61, 122, 214));
    dark.setColor(QPalette::Active, QPalette::HighlightedText, Qt::white);
    for (CellRole role : {CellRole::kOrdinary, CellRole::kCursorRow, CellRole::kCursorCell}) {
      const CellColors colors = ColorsFor(role, dark);
      QVERIFY2(std::abs(qGray(colors.background.rgb()) - qGray(colors.text.rgb())) >= 100,
               qPrintable(colors.background.name() + QLatin1Char('/') + colors.text.name()));
    }
    QCOMPARE(ColorsFor(CellRole::kOrdinary, dark).background, QColor(30, 30, 31));
    QVERIFY(ColorsFor(CellRole::kCursorCell, dark).background !=
            ColorsFor(CellRole::kOrdinary, dark).background);
  }

  void statusBarPanes() {
    FrameStatusBar bar;
    bar.resize(900, 24);
    // Progress: a stale handle does not touch the bar of a newer job.
    const int first = bar.CreateProgressBar();
    const int second = bar.CreateProgressBar();
    bar.SetProgress(first, 80);
    QCOMPARE(bar.Progress()->value(), 1);
    bar.SetProgress(second, 55);
    QCOMPARE(bar.Progress()->value(), 55);
    bar.HideProgressBar(first);
    QVERIFY(!bar.Progress()->isHidden());
    bar.HideProgressBar(second);
    QVERIFY(bar.Progress()->isHidden());
  }

  void everyIconLoads() {
    for (int id = static_cast<int>(IconId::kDatabase); id <= static_cast<int>(IconId::kQuickViews);
         ++id) {
      const QIcon icon = LoadIcon(static_cast<IconId>(id));
      QVERIFY2(!icon.pixmap(24, 24).isNull(),
               qPrintable(IconResourcePath(static_cast<IconId>(id))));
      // A disabled look exists and differs from the normal one.
      const QImage normal = icon.pixmap(24, 24).toImage();
      const QImage disabled = icon.pixmap(QSize(24, 24), QIcon::Disabled).toImage();
      QVERIFY(normal != disabled);
    }
    QVERIFY(ItemImage(7).isNull());
    QVERIFY(!ItemImage(6).isNull());
  }

  void dataLinkDialogComposesSqliteStrings() {
    DataLinkDialog dialog(nullptr, std::string());
    QCOMPARE(dialog.Tabs()->currentIndex(), int(DataLinkDialog::kProviderPage));
    QVERIFY(dialog.Providers()->count() >= 2);
    dialog.Tabs()->setCurrentIndex(DataLinkDialog::kConnectionPage);
    dialog.SqliteFile()->setText(QStringLiteral("/data/my file.db"));
    const auto parsed = db::InitProperties::Parse(dialog.InitString());
    QVERIFY(parsed.has_value());
    QCOMPARE(parsed->GetOr("Provider"), std::string("SQLite"));
    QCOMPARE(parsed->GetOr("Data Source"), std::string("/data/my file.db"));

    // The "All" page shows the same pairs and edits reach the string.
    dialog.Tabs()->setCurrentIndex(DataLinkDialog::kAllPage);
    QTableWidget* table = dialog.AllTable();
    QCOMPARE(table->rowCount(), 3);  // two properties and the row for a new one
    QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Data Source"));
    table->item(1, 1)->setText(QStringLiteral("/data/other.db"));
    table->setItem(2, 0, new QTableWidgetItem(QStringLiteral("Mode")));
    table->setItem(2, 1, new QTableWidgetItem(QStringLiteral("a;b")));
    dialog.Tabs()->setCurrentIndex(DataLinkDialog::kConnectionPage);
    QCOMPARE(dialog.SqliteFile()->text(), QStringLiteral("/data/other.db"));
    const auto edited = db::InitProperties::Parse(dialog.InitString());
    QVERIFY(edited.has_value());
    QCOMPARE(edited->GetOr("Mode"), std::string("a;b"));
  }

  // Strings of other providers come back with every value the dialog cannot edit.
  void dataLinkDialogKeepsWhatItDoesNotKnow_data() {
    QTest::addColumn<QString>("original");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("unknown provider")
        << QStringLiteral("Provider=SQLOLEDB;Data Source=server1;Initial Catalog=sales;")
        << QStringList{QStringLiteral("Provider=SQLOLEDB"), QStringLiteral("Data Source=server1"),
                       QStringLiteral("Initial Catalog=sales")};
    QTest::newRow("odbc driver fields")
        << QStringLiteral(
               "Provider=MSDASQL;Extended Properties=\"DRIVER={PostgreSQL Unicode};"
               "SERVER=db;PORT=5433;DATABASE=shop\";User ID=reader;")
        << QStringList{QStringLiteral("User ID=reader"), QStringLiteral("SERVER=db"),
                       QStringLiteral("PORT=5433"), QStringLiteral("DATABASE=shop"),
                       QStringLiteral("PostgreSQL Unicode")};
  }

  void dataLinkDialogKeepsWhatItDoesNotKnow() {
    QFETCH(QString, original);
    QFETCH(QStringList, kept);
    DataLinkDialog dialog(nullptr, original.toStdString());
    const QString composed = QString::fromStdString(dialog.InitString());
    QVERIFY(db::InitProperties::Parse(composed.toStdString()).has_value());
    for (const QString& part : kept) QVERIFY2(composed.contains(part), qPrintable(composed));
  }

  void testConnectionReportsSuccessAndFailure() {
    uitest::MessageRecorder boxes;
    DataLinkDialog good(nullptr, "Provider=SQLite;Data Source=" + uitest::DemoDb().toStdString());
    QCOMPARE(good.RunTestAndWait(), QStringLiteral("Test connection succeeded."));
    QVERIFY(good.TestButton()->isEnabled());

    QTemporaryDir folder;
    const std::string missing = folder.path().toStdString() + "/missing.db";
    DataLinkDialog bad(nullptr, "Provider=SQLite;Data Source=" + missing);
    const QString result = bad.RunTestAndWait();
    QVERIFY2(result.startsWith(QStringLiteral("Test connection failed: ")), qPrintable(result));
    QVERIFY(!result.contains(QLatin1Char('\n')));
    QCOMPARE(boxes.Boxes().size(), std::size_t{2});

    // The picture a user sees.
    good.Tabs()->setCurrentIndex(DataLinkDialog::kConnectionPage);
    good.show();
    QVERIFY(QTest::qWaitForWindowExposed(&good));
    uitest::SaveScreenshot(&good, QStringLiteral("data_link_dialog.png"));
    good.Tabs()->setCurrentIndex(DataLinkDialog::kProviderPage);
    uitest::SaveScreenshot(&good, QStringLiteral("data_link_dialog_provider.png"));
    good.Tabs()->setCurrentIndex(DataLinkDialog::kAllPage);
    uitest::SaveScreenshot(&good, QStringLiteral("data_link_dialog_all.png"));
  }

  void tipFileParsing() {
    const auto tips =
        daytips::ParseTips("# comment\nFirst tip\ncontinues here.\n\n\n  Second tip.  \r\n#x\n");
    QCOMPARE(tips.size(), std::size_t{2});
    QCOMPARE(tips[0], std::string("First tip continues here."));
    QCOMPARE(tips[1], std::string("Second tip."));
    QVERIFY(daytips::ParseTips("").empty());
    QVERIFY(daytips::LoadTipFile("/nonexistent/quillet.tip").empty());
    // The shipped file holds real tips.
    const auto shipped = daytips::LoadTipFile(QUILLET_TIP_FILE);
    QVERIFY(shipped.size() >= 15);
  }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
