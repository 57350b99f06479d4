#pragma once
// Per-element list view settings: each element with its own list keeps a view style and extra
// extended style bits, stored under \1.6\view\xElement#<slot>.

#include <cstdint>
#include <string>

#include "config/registry_store.h"

namespace quillet {

class xElement;

struct ListSettings {
  std::uint32_t viewStyle = 0;  // 0 icons, 1 report, 2 small icons, 3 list
  std::uint32_t extendedStyle = 0;
};

// The key path of one slot's settings, below the current user's hive root.
std::string ListSettingsKeyPath(int slot);

// Reads both values of every element (slots in order) that has list settings. A missing or
// unreadable value leaves the field as it was. Returns 0, or the store's error code at the
// element whose key could not be opened (the walk stops there).
config::RegResult LoadListSettings(config::RegistryStore& store, xElement* const* slots, int count);
// Writes both values of every element that has list settings; same walk and result.
config::RegResult SaveListSettings(config::RegistryStore& store, xElement* const* slots, int count);

// The settings in effect for `element`: its own, unless it has list settings and the
// individual settings are off, in which case the database element's apply.
ListSettings EffectiveListSettings(const xElement& element, const xElement& database,
                                   bool useIndividual);

}  // namespace quillet
