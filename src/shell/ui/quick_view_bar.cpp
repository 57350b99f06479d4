#include "shell/ui/quick_view_bar.h"

#include <QLabel>
#include <QVBoxLayout>

#include "elements/element_slots.h"
#include "resources/string_table.h"
#include "resources/ui/icons.h"

namespace quillet::ui {
namespace {

constexpr unsigned kStringUserObjects = 57500;

}  // namespace

QuickViewBar::QuickViewBar(QWidget* parent) : QWidget(parent) {
  auto* title = new QLabel(QString::fromStdString(LoadResourceString(kStringUserObjects)), this);
  title->setAlignment(Qt::AlignCenter);
  title->setAutoFillBackground(true);
  title->setBackgroundRole(QPalette::Button);
  title->setFrameShape(QFrame::StyledPanel);
  title->setMinimumHeight(title->fontMetrics().height() + 8);

  // The group's items: large images with their names below, centred like an outlook bar.
  auto* group = new QWidget(this);
  group->setBackgroundRole(QPalette::Base);
  group->setAutoFillBackground(true);
  auto* items = new QVBoxLayout(group);
  items->setContentsMargins(4, 4, 4, 4);
  items->setSpacing(0);
  const IconId images[] = {IconId::kQuickTables, IconId::kQuickProcedures, IconId::kQuickViews};
  const unsigned names[] = {ids::kTables, ids::kProcedures, ids::kViews};
  for (int i = 0; i < 3; ++i) {
    auto* button = new QToolButton(group);
    button->setIcon(LoadIcon(images[i]));
    button->setIconSize(QSize(32, 32));
    button->setText(QString::fromStdString(LoadResourceString(names[i])));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);  // the hover look of the bar
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(button, &QToolButton::clicked, this, [this, i] { emit itemChosen(i); });
    buttons_[static_cast<std::size_t>(i)] = button;
    items->addWidget(button);
  }
  items->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(title);
  layout->addWidget(group);
  // The bar is as tall as its items: the pane below it takes the rest of the side.
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  setMaximumHeight(sizeHint().height());
}

}  // namespace quillet::ui
