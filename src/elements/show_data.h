#pragma once

#include <string>

namespace quillet {

// The request handed to an element's show_data: what to show and how much to redo.
struct ShowData {
  std::string query;          // custom query; empty means the element's own (whole table)
  std::string table;          // the table or view to show; empty: the one chosen last
  bool redrawColumns = true;  // rebuild the data list's column headers
  bool reload = false;        // drop the data already loaded first
};

}  // namespace quillet
