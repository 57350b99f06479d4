#pragma once
// The frame's fixed set of six elements, the current slot and the list slot, and the rules by
// which tree items and list items pick an element and start a job.

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "config/registry_store.h"
#include "elements/element.h"
#include "elements/element_slots.h"
#include "elements/element_tree.h"
#include "elements/list_settings.h"

namespace quillet {

class xElement_Table;

class xElementSet {
 public:
  // Creates the six elements and, when a store is given, loads their list settings from it.
  xElementSet(FrameServices& services, const SessionRef* session, JobCancel* cancel,
              config::RegistryStore* store);
  // Saves the list settings (when a store was given), then destroys the elements.
  ~xElementSet();
  xElementSet(const xElementSet&) = delete;
  xElementSet& operator=(const xElementSet&) = delete;

  // The element of a slot 1..6, or nullptr.
  xElement* Element(int slot) const;
  // The table (5) or view (6) element, or nullptr for other slots.
  xElement_Table* TableElement(int slot) const;

  int CurrentSlot() const;
  void SetCurrentSlot(int slot);
  int ListSlot() const;
  void SetListSlot(int slot);

  // The "UseIndividualProp" option as the frame last read it.
  void SetUseIndividualProp(bool on) { useIndividual_.store(on); }
  bool UseIndividualProp() const { return useIndividual_.load(); }
  ListSettings EffectiveListSettings(int slot) const;
  config::RegResult LoadListSettings(config::RegistryStore& store);
  config::RegResult SaveListSettings(config::RegistryStore& store);
  // Style commands: 0 icons, 1 report, 2 small icons, 3 list, for the list slot's element.
  void ApplyListStyle(std::uint32_t style);

  // Database tree.
  void BuildTree(ElementTree& tree);
  struct Resolution {
    int slot = 0;
    std::string name;  // the table or view name for slots 5 and 6
  };
  std::optional<Resolution> Resolve(const ElementTree& tree, TreeItem item) const;
  // An item is about to expand; true lets the tree ask for its children.
  bool OnItemExpanding(ElementTree& tree, TreeItem item, bool expanding, bool connected, bool idle);
  // The tree asks for an item's children: inserts them and answers their count, or -1 when
  // the request is not answered now.
  int OnItemChildren(ElementTree& tree, TreeItem item, bool idle);
  // Double-click or Enter on the selected tree item: the job code to start, if any.
  std::optional<int> ActivateTreeItem(const ElementTree& tree, bool connected, bool idle);
  // Double-click or Enter on a data list item with text `text`: the job code, if any.
  std::optional<int> ActivateListItem(const std::string& text, bool connected);

  // Closing a connection: release every element's data.
  void ReleaseAll();

 private:
  std::string NameOf(int slot) const;

  std::array<std::unique_ptr<xElement>, kSlotCount> slots_;
  mutable std::mutex currentLock_;
  int currentSlot_ = 0;
  mutable std::mutex listLock_;
  int listSlot_ = 0;
  std::atomic<bool> useIndividual_{true};
  FrameServices& services_;
  config::RegistryStore* store_;
};

}  // namespace quillet
