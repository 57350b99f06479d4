#pragma once
// The database tree as the element set sees it; the UI implements it over its tree view.
// All calls happen on the user-interface thread.

#include <cstdint>
#include <string>

namespace quillet {

using TreeItem = std::uintptr_t;  // 0 is "no item"

struct TreeItemSpec {
  std::string text;
  int image = 0;
  int selectedImage = 0;
  bool hasChildren = false;   // show an expand button; the children are asked for on demand
  bool boldExpanded = false;  // the root: bold, shown expanded
};

class ElementTree {
 public:
  virtual ~ElementTree() = default;
  virtual void DeleteAllItems() = 0;
  // Inserts below `parent` (0: at the top) as the last child; 0 when it could not.
  virtual TreeItem InsertItem(TreeItem parent, const TreeItemSpec& entry) = 0;
  virtual std::string GetItemText(TreeItem item) const = 0;
  virtual TreeItem GetParentItem(TreeItem item) const = 0;
  virtual bool HasChildItems(TreeItem item) const = 0;
  virtual TreeItem GetSelectedItem() const = 0;
};

}  // namespace quillet
