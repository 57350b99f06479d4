#include "config/page_set.h"

namespace quillet::config {

SettingsPage& PageSet::GetPage(unsigned id) {
  return pages_[id];
}

const SettingsPage* PageSet::FindPage(unsigned id) const {
  auto it = pages_.find(id);
  return it != pages_.end() ? &it->second : nullptr;
}

SettingsPage& PageSet::AddPage(unsigned id, const GroupDefinition* group) {
  pages_.erase(id);
  return pages_.try_emplace(id, id, group).first->second;
}

}  // namespace quillet::config
