#include "resources/string_table.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quillet {
namespace {

struct StringEntry {
  unsigned id;
  std::string_view text;
};

// Kept sorted by id.
constexpr StringEntry kStrings[] = {
    {1, "Quillet"},
    {60000, "Quillet: Error message"},
    {60001, "Creation and configuration of the Microsoft Data Link File"},
    {60002, "The new connection has been interrupted"},
    {60004, "Unknown error"},
    {60006, "Trying to receive the information about columns"},
    {60009, "Trying to get the data from a field"},
    {60010, "Trying to receive the data from a table"},
    {60011, "Trying to get the information about an element (table/view/etc.)"},
    {60012, "Trying to receive the information about elements (table/view/etc.)"},
};

}  // namespace

std::string LoadResourceString(unsigned id) {
  const auto* end = std::end(kStrings);
  const auto* it = std::lower_bound(std::begin(kStrings), end, id,
                                    [](const StringEntry& e, unsigned v) { return e.id < v; });
  if (it == end || it->id != id) return {};
  return std::string(it->text);
}

const CommandInfo* FindCommand(unsigned id) {
  (void)id;
  return nullptr;
}

}  // namespace quillet
