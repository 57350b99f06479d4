// The SQL pane's editor on its own: recolouring while typing, the text a job puts back, and undo
// stepping over the user's edits only. The colours themselves are the highlighter's unit tests.

#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "sqlwindow/ui/sql_pane.h"

using namespace quillet;
using quillet::ui::SqlPane;

namespace {

// The colour drawn at a document position: the last extra format of its paragraph that covers
// it (later formats win), or none.
QColor ColourAt(const QTextDocument* document, int position) {
  const QTextBlock block = document->findBlock(position);
  const int offset = position - block.position();
  QColor colour;
  for (const QTextLayout::FormatRange& range : block.layout()->formats())
    if (offset >= range.start && offset < range.start + range.length &&
        range.format.hasProperty(QTextFormat::ForegroundBrush))
      colour = range.format.foreground().color();
  return colour;
}

}  // namespace

class SqlPaneTest : public QObject {
  Q_OBJECT

 private slots:
  void typingRecoloursEverythingAfterTheChange() {
    SqlPane pane;
    QPlainTextEdit* editor = pane.Editor();
    QString text;
    for (int i = 0; i < 300; ++i)
      text += QStringLiteral("select a from t%1 where a like 'x'\n").arg(i);
    editor->setPlainText(text);
    const int lastFrom = text.lastIndexOf(QStringLiteral("from"));
    QCOMPARE(ColourAt(editor->document(), lastFrom), QColor(0, 0, 255));

    // Opening a comment on line 10 turns the rest of the text into comment.
    QTextCursor cursor(editor->document()->findBlockByNumber(10));
    editor->setTextCursor(cursor);
    QTest::keyClicks(editor, QStringLiteral("/*"));
    QCOMPARE(ColourAt(editor->document(), lastFrom + 2), QColor(0, 170, 0));
    QCOMPARE(ColourAt(editor->document(), 0), QColor(0, 0, 255));
    // Closing it on line 20 gives the lines after it their keywords back.
    editor->setTextCursor(QTextCursor(editor->document()->findBlockByNumber(20)));
    QTest::keyClicks(editor, QStringLiteral("*/"));
    QCOMPARE(ColourAt(editor->document(), lastFrom + 4), QColor(0, 0, 255));
    const int line15 = editor->document()->findBlockByNumber(15).position();
    QCOMPARE(ColourAt(editor->document(), line15), QColor(0, 170, 0));
  }

  void recolouringKeepsTheSelection() {
    SqlPane pane;
    QPlainTextEdit* editor = pane.Editor();
    editor->setPlainText(QStringLiteral("select a from t"));
    QTextCursor selection = editor->textCursor();
    selection.setPosition(9);
    selection.setPosition(13, QTextCursor::KeepAnchor);
    editor->setTextCursor(selection);
    // A change elsewhere (appended by another cursor) recolours the whole text.
    QTextCursor other(editor->document());
    other.movePosition(QTextCursor::End);
    other.insertText(QStringLiteral(" where b"));
    QCOMPARE(ColourAt(editor->document(), 16), QColor(0, 0, 255));
    QCOMPARE(editor->textCursor().anchor(), 9);
    QCOMPARE(editor->textCursor().position(), 13);
    QCOMPARE(editor->textCursor().selectedText(), QStringLiteral("from"));
  }

  void undoStepsOverEditsNotColours() {
    SqlPane pane;
    QPlainTextEdit* editor = pane.Editor();
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("select id from t"));
    QCOMPARE(ColourAt(editor->document(), 10), QColor(0, 0, 255));
    int steps = 0;
    while (editor->document()->isUndoAvailable() && steps < 100) {
      editor->undo();
      ++steps;
    }
    QVERIFY2(steps < 100, "undo never ran out");  // colouring is no edit
    QCOMPARE(editor->toPlainText(), QString());
    while (editor->document()->isRedoAvailable() && steps-- > 0) editor->redo();
    QCOMPARE(editor->toPlainText(), QStringLiteral("select id from t"));
    QCOMPARE(ColourAt(editor->document(), 0), QColor(0, 0, 255));
  }

  void clearCanBeUndoneAppendCannot() {
    SqlPane pane;
    QPlainTextEdit* editor = pane.Editor();
    editor->setPlainText(QStringLiteral("select 1"));
    pane.ClearQueryText();
    QCOMPARE(editor->toPlainText(), QString());
    QVERIFY(editor->document()->isUndoAvailable());
    editor->undo();
    QCOMPARE(editor->toPlainText(), QStringLiteral("select 1"));
    QCOMPARE(ColourAt(editor->document(), 0), QColor(0, 0, 255));

    // The text a job leaves: its carriage returns become paragraphs; the caret ends after it.
    pane.ClearQueryText();
    pane.AppendQueryText("select id\rfrom orders");
    QCOMPARE(editor->document()->blockCount(), 2);
    QCOMPARE(editor->toPlainText(), QStringLiteral("select id\nfrom orders"));
    QCOMPARE(editor->textCursor().position(), editor->document()->characterCount() - 1);
    QCOMPARE(ColourAt(editor->document(), 10), QColor(0, 0, 255));
    QCOMPARE(pane.GetQueryText(), std::string("select id\rfrom orders"));
    QVERIFY(!editor->document()->isUndoAvailable());
    // Typing after it is undone as usual, and no further.
    QTest::keyClicks(editor, QStringLiteral(" x"));
    while (editor->document()->isUndoAvailable()) editor->undo();
    QCOMPARE(editor->toPlainText(), QStringLiteral("select id\nfrom orders"));
  }
};

QTEST_MAIN(SqlPaneTest)
#include "sql_pane_test.moc"
