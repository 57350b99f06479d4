#include "sqlwindow/ui/query_history_menu.h"

#include <QFontMetrics>
#include <QTextDocument>

#include "sqlwindow/query_history.h"

namespace quillet::ui {
namespace {

// Room for about this many characters of a query on a line of the menu.
constexpr int kShownCharacters = 64;
// A tool tip of more lines than this would not fit on most screens.
constexpr int kToolTipLines = 40;

QString ToolTipOf(const std::string& query) {
  QStringList lines = QString::fromStdString(query).split(QLatin1Char('\r'));
  if (lines.size() > kToolTipLines) {
    lines.resize(kToolTipLines);
    lines << QStringLiteral("\u2026");
  }
  // As preformatted rich text: a query may hold '<' and its line breaks and indents must show.
  return Qt::convertFromPlainText(lines.join(QLatin1Char('\n')), Qt::WhiteSpacePre);
}

}  // namespace

QueryHistoryMenu::QueryHistoryMenu(const sqlwindow::QueryHistory& history, QWidget* parent)
    : QMenu(parent), history_(history) {
  setObjectName(QStringLiteral("sqlHistoryMenu"));
  setToolTipsVisible(true);
  connect(this, &QMenu::aboutToShow, this, &QueryHistoryMenu::Fill);
  Fill();
}

QString QueryHistoryMenu::OneLine(const std::string& query) {
  return QString::fromStdString(query).simplified();
}

void QueryHistoryMenu::Fill() {
  clear();
  const QFontMetrics metrics(font());
  const int width = metrics.averageCharWidth() * kShownCharacters;
  const auto& entries = history_.Entries();
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    const QString line = metrics.elidedText(OneLine(entries[i]), Qt::ElideRight, width);
    // A '&' in the query is shown as it is, not taken as a mnemonic.
    QAction* action = addAction(QString(line).replace(QLatin1Char('&'), QStringLiteral("&&")));
    action->setToolTip(ToolTipOf(entries[i]));
    connect(action, &QAction::triggered, this, [this, i] { emit EntryChosen(i); });
  }
  if (entries.empty()) addAction(QStringLiteral("(empty)"))->setEnabled(false);
  addSeparator();
  QAction* clearAction = addAction(QStringLiteral("Clear history"));
  clearAction->setObjectName(QStringLiteral("clearSqlHistory"));
  clearAction->setEnabled(!entries.empty());
  connect(clearAction, &QAction::triggered, this, &QueryHistoryMenu::ClearChosen);
}

}  // namespace quillet::ui
