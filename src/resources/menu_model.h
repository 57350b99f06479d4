#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillet::shell {

// One menu item: a command with its text and state, or a separator.
struct MenuItem {
  unsigned id = 0;
  std::string text;
  bool enabled = true;
  bool separator = false;
};

// A plain menu: the core fills it, the window shows it.
class MenuModel {
 public:
  MenuModel() = default;
  explicit MenuModel(std::vector<MenuItem> items) : items_(std::move(items)) {}

  const std::vector<MenuItem>& Items() const { return items_; }
  std::size_t Count() const { return items_.size(); }
  const MenuItem& At(std::size_t position) const { return items_.at(position); }

  // Position of the first item with that id.
  std::optional<std::size_t> Find(unsigned id) const;
  // Inserts before `position`; a position past the end appends.
  void Insert(std::size_t position, MenuItem item);
  void RemoveAt(std::size_t position);
  // Removes every item with that id; returns how many went.
  std::size_t RemoveId(unsigned id);

 private:
  std::vector<MenuItem> items_;
};

}  // namespace quillet::shell
