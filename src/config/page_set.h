#pragma once
// A main window's option groups: its pages by id, iterated in ascending id order (General,
// Appearance, Data List, Data Tree, Report Window).

#include <map>

#include "config/settings_page.h"

namespace quillet::config {

class PageSet {
 public:
  using Map = std::map<unsigned, SettingsPage>;

  // The page of that id; an id that is not there gets an empty entry.
  SettingsPage& GetPage(unsigned id);
  const SettingsPage* FindPage(unsigned id) const;
  // Puts a new page at `id`, replacing what was there.
  SettingsPage& AddPage(unsigned id, const GroupDefinition* group);

  Map::iterator begin() { return pages_.begin(); }
  Map::iterator end() { return pages_.end(); }
  Map::const_iterator begin() const { return pages_.begin(); }
  Map::const_iterator end() const { return pages_.end(); }
  std::size_t size() const { return pages_.size(); }

 private:
  Map pages_;
};

}  // namespace quillet::config
