#include "tabledata/ui/pager_bar.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include "elements/element_slots.h"
#include "elements/text_format.h"
#include "resources/string_table.h"

namespace quillet::ui {
namespace {

QString Text(unsigned id) {
  return QString::fromStdString(LoadResourceString(id));
}

QString Thousands(long long n) {
  return QString::fromStdString(FormatThousands(n));
}

}  // namespace

PagerBar::PagerBar(QWidget* parent) : QWidget(parent) {
  first_ = new QToolButton(this);
  previous_ = new QToolButton(this);
  next_ = new QToolButton(this);
  last_ = new QToolButton(this);
  for (QToolButton* button : {first_, previous_, next_, last_}) {
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  }
  page_ = new QLineEdit(this);
  page_->setAlignment(Qt::AlignRight);
  page_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9,]{1,16}")), page_));
  page_->setFixedWidth(page_->fontMetrics().horizontalAdvance(QStringLiteral("00,000,000")) + 16);
  pageCount_ = new QLabel(this);
  rows_ = new QLabel(this);
  rows_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 1, 4, 1);
  layout->setSpacing(4);
  layout->addWidget(first_);
  layout->addWidget(previous_);
  layout->addWidget(new QLabel(Text(ids::kPageLabel), this));
  layout->addWidget(page_);
  layout->addWidget(pageCount_);
  layout->addWidget(next_);
  layout->addWidget(last_);
  layout->addSpacing(12);
  layout->addWidget(rows_);
  layout->addStretch(1);

  connect(page_, &QLineEdit::returnPressed, this, [this] {
    bool ok = false;
    const long long page = QString(page_->text()).remove(QLatin1Char(',')).toLongLong(&ok);
    if (ok && page > 0) emit pageEntered(page);
  });
}

void PagerBar::SetActions(QAction* first, QAction* previous, QAction* next, QAction* last) {
  // The buttons carry short words and run the commands, enabled as they are; the menu keeps the
  // commands' full texts.
  const std::pair<QToolButton*, QAction*> buttons[] = {
      {first_, first}, {previous_, previous}, {next_, next}, {last_, last}};
  const char* const labels[] = {"\u00AB First", "\u2039 Previous", "Next \u203A", "Last \u00BB"};
  int i = 0;
  for (auto [button, action] : buttons) {
    button->setText(QString::fromUtf8(labels[i++]));
    button->setToolTip(action->toolTip());
    button->setEnabled(action->isEnabled());
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button,
            [button, action] { button->setEnabled(action->isEnabled()); });
  }
}

void PagerBar::ShowPage(int page, long long pageCount, long long firstRow, int rows,
                        long long total) {
  if (!page_->hasFocus()) page_->setText(Thousands(page + 1));
  pageCount_->setText(pageCount >= 0 ? QStringLiteral("of %1").arg(Thousands(pageCount))
                                     : QStringLiteral("of \u2026"));
  if (rows <= 0) {
    rows_->setText(Text(ids::kNoRowsText));
    return;
  }
  std::string text = LoadResourceString(ids::kRowsOfText);
  text = FormatText(text, FormatThousands(firstRow + 1));
  text = FormatText(text, FormatThousands(firstRow + rows));
  text = FormatText(text, pageCount >= 0 ? FormatThousands(total) : std::string("\u2026"));
  rows_->setText(QString::fromStdString(text));
}

void PagerBar::SetTurnable(bool turnable) {
  page_->setEnabled(turnable);
  pageCount_->setEnabled(turnable);
}

QString PagerBar::RowsText() const {
  return rows_->text();
}

}  // namespace quillet::ui
