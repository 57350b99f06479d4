#include "elements/element_set.h"

#include "datasource/cmlib_exception.h"
#include "datasource/text_convert.h"
#include "elements/element_db.h"
#include "elements/element_folders.h"
#include "elements/frame_services.h"
#include "tabledata/element_table.h"

namespace quillet {
namespace {

constexpr std::size_t kTreeTextMax = 1023;
constexpr std::size_t kListTextMax = 1024;

std::string Cut(std::string text, std::size_t max) {
  if (text.size() > max)
    text.resize(db::Utf8CutLength(std::string_view(text.data(), text.size()), max));
  return text;
}

}  // namespace

xElementSet::xElementSet(FrameServices& services, const SessionRef* session, JobCancel* cancel,
                         config::RegistryStore* store)
    : services_(services), store_(store) {
  ElementHost host{&services, session, cancel};
  slots_[kSlotDatabase] = std::make_unique<xElement_DB>(host);
  slots_[kSlotTables] = std::make_unique<xElementTables>(host);
  slots_[kSlotProcedures] = std::make_unique<xElementProcedures>(host);
  slots_[kSlotViews] = std::make_unique<xElementViews>(host);
  slots_[kSlotTable] = std::make_unique<xElement_Table>(host, ids::kTable, kSlotTable, kSlotTables);
  slots_[kSlotView] = std::make_unique<xElement_Table>(host, ids::kView, kSlotView, kSlotViews);
  for (int slot = kSlotDatabase; slot <= kSlotViews; ++slot) slots_[slot]->SetHasListSettings(true);
  if (store_) LoadListSettings(*store_);
}

xElementSet::~xElementSet() {
  if (store_) SaveListSettings(*store_);
  for (auto& element : slots_) element.reset();
}

xElement* xElementSet::Element(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  return slots_[slot].get();
}

xElement_Table* xElementSet::TableElement(int slot) const {
  if (slot != kSlotTable && slot != kSlotView) return nullptr;
  return static_cast<xElement_Table*>(slots_[slot].get());
}

int xElementSet::CurrentSlot() const {
  std::lock_guard lock(currentLock_);
  return currentSlot_;
}

void xElementSet::SetCurrentSlot(int slot) {
  std::lock_guard lock(currentLock_);
  currentSlot_ = slot;
}

int xElementSet::ListSlot() const {
  std::lock_guard lock(listLock_);
  return listSlot_;
}

void xElementSet::SetListSlot(int slot) {
  std::lock_guard lock(listLock_);
  listSlot_ = slot;
}

ListSettings xElementSet::EffectiveListSettings(int slot) const {
  xElement* element = Element(slot);
  if (!element) return ListSettings{};
  return quillet::EffectiveListSettings(*element, *slots_[kSlotDatabase], UseIndividualProp());
}

config::RegResult xElementSet::LoadListSettings(config::RegistryStore& store) {
  xElement* elements[kSlotCount];
  for (int i = 0; i < kSlotCount; ++i) elements[i] = slots_[i].get();
  return quillet::LoadListSettings(store, elements, kSlotCount);
}

config::RegResult xElementSet::SaveListSettings(config::RegistryStore& store) {
  xElement* elements[kSlotCount];
  for (int i = 0; i < kSlotCount; ++i) elements[i] = slots_[i].get();
  return quillet::SaveListSettings(store, elements, kSlotCount);
}

void xElementSet::ApplyListStyle(std::uint32_t style) {
  int slot = ListSlot();
  xElement* element = Element(slot);
  if (!element || !element->HasListSettings()) return;
  element->SetListViewStyle(style);
  ListSettings settings = EffectiveListSettings(slot);
  services_.SetDataListStyle(settings.viewStyle, settings.extendedStyle);
  if (style == 1)
    element->ShowDefault();
  else
    services_.DeleteDataColumns();
}

std::string xElementSet::NameOf(int slot) const {
  return slots_[slot]->GetDisplayName();
}

void xElementSet::BuildTree(ElementTree& tree) {
  tree.DeleteAllItems();
  TreeItemSpec root;
  root.text = NameOf(kSlotDatabase);
  root.image = root.selectedImage = kImageDatabase;
  root.hasChildren = true;
  root.boldExpanded = true;
  TreeItem item = tree.InsertItem(0, root);
  if (item == 0)
    throw cmlib::exception(
        "Fatal error - HTREEITEM hti_root = TreeView_InsertItem(...); hti_root -- NULL");
  slots_[kSlotDatabase]->SetTreeItem(item);
}

std::optional<xElementSet::Resolution> xElementSet::Resolve(const ElementTree& tree,
                                                            TreeItem item) const {
  if (item == 0) return std::nullopt;
  std::string text = Cut(tree.GetItemText(item), kTreeTextMax);
  TreeItem parent = tree.GetParentItem(item);
  std::string parentText = parent ? Cut(tree.GetItemText(parent), kTreeTextMax) : std::string();

  if (parentText == NameOf(kSlotDatabase)) {
    if (text.empty()) return std::nullopt;
    for (int slot : {kSlotTables, kSlotProcedures, kSlotViews})
      if (text == NameOf(slot)) return Resolution{slot, {}};
    return std::nullopt;
  }
  if (parentText == NameOf(kSlotTables)) return Resolution{kSlotTable, text};
  if (parentText == NameOf(kSlotViews)) return Resolution{kSlotView, text};
  if (!text.empty() && text == NameOf(kSlotDatabase)) return Resolution{kSlotDatabase, {}};
  return std::nullopt;
}

bool xElementSet::OnItemExpanding(ElementTree& tree, TreeItem item, bool expanding, bool connected,
                                  bool idle) {
  if (!expanding || !connected || !idle) return false;
  if (item == slots_[kSlotDatabase]->TreeItem() || tree.GetParentItem(item) == 0) return false;
  if (tree.HasChildItems(item)) return false;
  if (auto resolved = Resolve(tree, item)) SetCurrentSlot(resolved->slot);
  return true;
}

int xElementSet::OnItemChildren(ElementTree& tree, TreeItem item, bool idle) {
  if (!idle || tree.HasChildItems(item)) return -1;
  xElement* element = Element(CurrentSlot());
  if (!element) return -1;
  if (!element->HasData()) {
    if (element->GetChildSlot(0) == kNoSlot) return 0;
    ShowData request;
    request.redrawColumns = false;
    request.reload = false;
    element->show_data(&request);
  }
  int count = element->GetRowCount();
  for (int i = 0; i < count; ++i) {
    TreeItemSpec entry;
    entry.text = element->Text(i, 0, kTreeTextMax + 1);
    entry.image = entry.selectedImage = element->GetItemImage(i, 0);
    int childSlot = element->GetChildSlot(i);
    xElement* child = Element(childSlot);
    entry.hasChildren = childSlot != kNoSlot && child && child->GetChildSlot(0) != kNoSlot;
    tree.InsertItem(item, entry);
  }
  return count;
}

std::optional<int> xElementSet::ActivateTreeItem(const ElementTree& tree, bool connected,
                                                 bool idle) {
  if (!connected || !idle) return std::nullopt;
  TreeItem item = tree.GetSelectedItem();
  if (item == 0) return std::nullopt;
  auto resolved = Resolve(tree, item);
  if (!resolved) return std::nullopt;
  SetCurrentSlot(resolved->slot);
  if (xElement_Table* table = TableElement(resolved->slot)) table->ChooseName(resolved->name);
  return resolved->slot;
}

std::optional<int> xElementSet::ActivateListItem(const std::string& rawText, bool connected) {
  if (!connected) return std::nullopt;
  std::string text = Cut(rawText, kListTextMax);
  switch (ListSlot()) {
    case kSlotDatabase:
      for (int slot : {kSlotTables, kSlotProcedures, kSlotViews, kSlotTable})
        if (text == NameOf(slot)) return slot;
      return std::nullopt;
    case kSlotTables:
      TableElement(kSlotTable)->ChooseName(text);
      return kSlotTable;
    case kSlotViews:
      TableElement(kSlotView)->ChooseName(text);
      return kSlotView;
    default:
      return std::nullopt;
  }
}

void xElementSet::ReleaseAll() {
  for (auto& element : slots_)
    if (element && element->HasData()) element->ReleaseData();
}

}  // namespace quillet
