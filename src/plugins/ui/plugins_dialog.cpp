#include "plugins/ui/plugins_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "elements/element.h"
#include "elements/element_set.h"
#include "elements/element_slots.h"
#include "plugins/plugin.h"
#include "plugins/plugin_hand_over.h"
#include "resources/string_table.h"

namespace quillet::plugins::ui {
namespace {

constexpr unsigned kEmptyText = 63100;  // "(empty)"

QString Empty() {
  return QString::fromStdString(LoadResourceString(kEmptyText));
}

}  // namespace

PluginsDialog::PluginsDialog(xElementSet& elements, QWidget* parent)
    : QDialog(parent), elements_(elements) {
  setWindowTitle(QStringLiteral("Plug-ins"));
  setObjectName(QStringLiteral("pluginsDialog"));
  auto* label = new QLabel(QStringLiteral("Loaded &plug-ins:"), this);
  tree_ = new QTreeWidget(this);
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  label->setBuddy(tree_);

  // The details stay "(empty)": the dialog only lists what is loaded.
  auto* details = new QFormLayout;
  for (const char* caption :
       {"Name:", "Version:", "Copyright:", "Description:", "Languages:", "File:"})
    details->addRow(QString::fromLatin1(caption), new QLabel(Empty(), this));

  configurate_ = new QPushButton(QStringLiteral("&Configurate"), this);
  about_ = new QPushButton(QStringLiteral("A&bout"), this);
  configurate_->setEnabled(false);
  about_->setEnabled(false);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(configurate_);
  buttons->addWidget(about_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(tree_, 1);
  layout->addLayout(details);
  layout->addLayout(buttons);
  resize(420, 420);
  Fill();
}

void PluginsDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QWidget* owner = parentWidget())
    move(owner->window()->frameGeometry().center() - rect().center());
}

void PluginsDialog::Fill() {
  tree_->clear();
  for (int slot = 1; slot < kSlotCount; ++slot) {
    xElement* element = elements_.Element(slot);
    if (element == nullptr) continue;
    auto* root = new QTreeWidgetItem(tree_, {QString::fromStdString(element->GetDisplayName())});
    PluginHandOver* handOver = element->GetPluginHandOver();
    if (handOver == nullptr) {
      new QTreeWidgetItem(root, {Empty()});
      continue;
    }
    for (int i = 0; i < handOver->GetPluginCount(); ++i) {
      Plugin* plugin = handOver->GetPlugin(i);
      if (plugin == nullptr) continue;
      PluginDescription description;
      plugin->GetModuleDescription(&description);
      new QTreeWidgetItem(root, {QString::fromUtf8(description.name)});
    }
  }
  tree_->expandAll();
}

}  // namespace quillet::plugins::ui
