#include "resources/menu_model.h"

#include <algorithm>

namespace quillet::shell {

std::optional<std::size_t> MenuModel::Find(unsigned id) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!items_[i].separator && items_[i].id == id) return i;
  }
  return std::nullopt;
}

void MenuModel::Insert(std::size_t position, MenuItem item) {
  position = std::min(position, items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
}

void MenuModel::RemoveAt(std::size_t position) {
  if (position < items_.size())
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
}

std::size_t MenuModel::RemoveId(unsigned id) {
  return std::erase_if(items_,
                       [id](const MenuItem& item) { return !item.separator && item.id == id; });
}

}  // namespace quillet::shell
