// Recolouring the SQL window's editor while it holds a 100 KB script, as it happens after every
// change of the text: the whole text newly coloured (the script just arrived), and one typed
// character (insert, recolour, repaint) beside the same keystroke in a plain editor. The scan
// alone, which the recolouring runs, is printed too, so the share of the editor's own work shows.
// Prints medians of many runs; no target, the scan's own goal is bench_sql_scan's.

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "sql_script.h"
#include "sqlwindow/sql_text_positions.h"
#include "sqlwindow/ui/sql_pane.h"

namespace {

constexpr std::size_t kScriptBytes = 100 * 1024;

double MedianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(runs));
  for (int run = 0; run < runs; ++run) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto stop = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
  return times[static_cast<std::size_t>(runs / 2)];
}

// Drops every colour, so the next recolouring has all paragraphs to do.
void DropColours(QTextDocument* document) {
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
    block.layout()->clearFormats();
  document->markContentsDirty(0, document->characterCount());
}

// Types one character in the middle of the text and lets the editor draw it.
void TypeInTheMiddle(QPlainTextEdit* editor) {
  QTextCursor cursor = editor->textCursor();
  cursor.insertText(QStringLiteral("x"));
  QApplication::processEvents();
}

void TakeItBack(QPlainTextEdit* editor) {
  QTextCursor cursor = editor->textCursor();
  cursor.deletePreviousChar();
  QApplication::processEvents();
}

void Place(QPlainTextEdit* editor, const QString& text) {
  editor->setPlainText(text);
  QTextCursor cursor = editor->textCursor();
  cursor.setPosition(static_cast<int>(text.size() / 2));
  editor->setTextCursor(cursor);
  editor->centerCursor();
  QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  const std::string script = quillet::bench::MakeSqlScript(kScriptBytes);
  const QString text = QString::fromStdString(script);

  quillet::ui::SqlPane pane;
  pane.resize(900, 600);
  pane.show();
  Place(pane.Editor(), text);
  QPlainTextEdit plain;
  plain.setFont(pane.Editor()->font());
  plain.resize(900, 600);
  plain.show();
  Place(&plain, text);

  const std::string scanText = quillet::sqlwindow::NormaliseLineEnds(script).text;
  const double scanMs = MedianMs(
      51, [] {}, [&] { (void)pane.Highlighter().Colour(scanText, 0, -1); });
  const double wholeMs = MedianMs(
      21, [&] { DropColours(pane.Editor()->document()); }, [&] { pane.Recolour(); });
  const double typedMs = MedianMs(
      31,
      [&] {
        TakeItBack(pane.Editor());
        TypeInTheMiddle(pane.Editor());
      },
      [&] {
        TakeItBack(pane.Editor());
        TypeInTheMiddle(pane.Editor());
      });
  const double plainMs = MedianMs(
      31, [] {},
      [&] {
        TakeItBack(&plain);
        TypeInTheMiddle(&plain);
      });

  std::printf(
      "sql recolour 100 KB, whole text newly coloured: %.2f ms (scan alone %.2f ms, "
      "recolour / scan: %.1f)\n",
      wholeMs, scanMs, scanMs > 0 ? wholeMs / scanMs : 0.0);
  std::printf(
      "sql recolour 100 KB, one keystroke (delete and type one character, each "
      "recoloured and drawn): %.2f ms; plain editor: %.2f ms; ratio %.1f\n",
      typedMs, plainMs, plainMs > 0 ? typedMs / plainMs : 0.0);
  return 0;
}
