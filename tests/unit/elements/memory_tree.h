#pragma once
// A tree held in memory with the operations the element set uses.

#include <map>
#include <string>
#include <vector>

#include "elements/element_tree.h"

namespace quillet::test {

class MemoryTree : public ElementTree {
 public:
  struct Node {
    TreeItem parent = 0;
    TreeItemSpec entry;
    std::vector<TreeItem> children;
  };

  void DeleteAllItems() override {
    nodes.clear();
    top.clear();
    selected = 0;
  }
  TreeItem InsertItem(TreeItem parent, const TreeItemSpec& entry) override {
    if (refuseInsert) return 0;
    TreeItem id = next++;
    nodes[id] = Node{parent, entry, {}};
    (parent ? nodes[parent].children : top).push_back(id);
    return id;
  }
  std::string GetItemText(TreeItem item) const override {
    auto it = nodes.find(item);
    return it == nodes.end() ? std::string() : it->second.entry.text;
  }
  TreeItem GetParentItem(TreeItem item) const override {
    auto it = nodes.find(item);
    return it == nodes.end() ? 0 : it->second.parent;
  }
  bool HasChildItems(TreeItem item) const override {
    auto it = nodes.find(item);
    return it != nodes.end() && !it->second.children.empty();
  }
  TreeItem GetSelectedItem() const override { return selected; }

  TreeItem Child(TreeItem parent, const std::string& text) const {
    for (TreeItem c : parent ? nodes.at(parent).children : top)
      if (nodes.at(c).entry.text == text) return c;
    return 0;
  }

  std::map<TreeItem, Node> nodes;
  std::vector<TreeItem> top;
  TreeItem selected = 0;
  TreeItem next = 1;
  bool refuseInsert = false;
};

}  // namespace quillet::test
