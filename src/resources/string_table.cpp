#include "resources/string_table.h"

#include <algorithm>
#include <iterator>

namespace quillet {
namespace {

struct StringEntry {
  unsigned id;
  std::string_view text;
};

// Kept sorted by id (checked below). Trailing blanks are part of some texts: the status-bar panes
// take their width from their string, and a few prompts are followed by a value.
constexpr StringEntry kStrings[] = {
    {1, "Quillet"},

    // Title suffixes.
    {57000, " - no connection"},
    {57001, " - connection string"},
    {57002, " - ["},

    // Status bar.
    {57345, "Ready"},
    {57347, "English"},

    // Pane captions.
    {57348, "Database Quick View"},
    {57349, "Database Tree View"},
    {57350, "Report"},
    {57351, "SQL Query"},

    // Settings pages.
    {57371, "General"},
    {57372, "Appearance"},
    {57373, "Data List"},
    {57374, "Data Tree"},
    {57375, "Report Window"},

    // Status-bar panes: each is as wide as its text with the trailing blanks.
    {57391, "Object(s): %i             "},
    {57392, "Row %i , Ln. %i           "},
    {57393, "%s                                        "},

    // Report window.
    {57421, "Description"},
    {57422, "There are no items in report window"},
    {57423, "Type"},
    {57424, "  Error:"},
    {57425, "  Information:"},
    {57426, "Time"},

    // Quick view bar and element names.
    {57500, "User Objects"},
    {57502, "Data Base"},
    {57503, "Tables"},
    {57504, "Store Procedures"},
    {57505, "Table views"},
    {57506, "Table"},
    {57507, "View"},
    {57601, "Name"},

    // Messages and error contexts.
    {60000, "Quillet: Error message"},
    {60001, "Creation and configuration of the Microsoft Data Link File"},
    {60002, "The new connection has been interrupted"},
    {60003, "Please enter an integer value between %i and %i"},
    {60004, "Unknown error"},
    {60006, "Trying to receive the information about columns"},
    {60009, "Trying to get the data from a field"},
    {60010, "Trying to receive the data from a table"},
    {60011, "Trying to get the information about an element (table/view/etc.)"},
    {60012, "Trying to receive the information about elements (table/view/etc.)"},
    {60013,
     "Can't create the storage file. All components that require the storage file will not work "
     "(for examples: blob plugins)"},
    {60015,
     "Pragram can't stop the thread that reseives data from a database. If you want to open a new "
     "database, please, press the button [Yes]."},
    {60016, "Program can't load the \"daytips.so\" library. Please, reinstall this software."},
    {61000, "Quillet: Information"},
    {61001, "Quillet: Question"},
    {61002,
     "Configuration file will be updated using the configuration information from the registry. "
     "Do you want to save the current configuration intormation?"},
    {61003, "Configuration saving into the registry is complete."},
    {62000, "Create a new Microsoft UDL-File"},

    // Internal text viewer.
    {63000, "Show as a simple text"},
    {63001, "Unsupported data type"},
    {63002, "Simple text viewer [Internal plug-in]"},
    {63003, "1.6.0"},
    {63004, "Copyright (C) the Quillet authors"},
    {63005, "Uses the BLOB or TEXT field as a simple text"},
    {63006, "English"},
    {63100, "(empty)"},

    // Data list columns of the folders.
    {64000, "Catalog"},
    {64001, "Description"},
    {64002, "Name"},
    {64003, "Schema"},
    {64004, "Type"},
    {64100, "Catalog"},
    {64101, "Proc. description"},
    {64102, "Proc. definition"},
    {64103, "Proc. name"},
    {64104, "Schema"},
    {64105, "Proc. type"},
    {64106, "Function; there is a returned value."},
    {64107,
     "Procedure; there is no returned value. It is not known whether there is a returned value."},
    {64108, "It is not known whether there is a returned value."},

    // Loading steps.
    {64500, "Loads the information about an element (table/view or others)."},
    {64501, "Receives the elements count and enumerates elements: "},
    {64510, "Loads the information about columns"},
    {64512, "Creates an accessor"},
    {64513, "Redraws columns"},
    {64514, "Prepares a query"},
    {64515, "Loads data from table"},
    {64516, "Creates a row cache"},
    {64517, "Loads the data into the row cache and enumerates the data"},

    // Paging.
    {64600, "Counting the rows..."},
    {64601, "Loading page %s..."},
    {64602, "Rows %s–%s of %s"},
    {64603, "No rows"},
    {64604, "Go to Row"},
    {64605, "Row (1 to %s):"},
    {64606, "Page"},

    // The loading job.
    {64650, "Stopping..."},

    // Exporting rows.
    {64660, "Exporting rows: %s..."},
    {64661, "Exported %s rows to %s"},
    {64662, "The export was stopped; no file was written."},
    {64663, "The export of %s failed; no file was written: %s"},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringEntry& a, const StringEntry& b) {
                               return a.id < b.id;
                             }),
              "the string table must stay sorted by id");

}  // namespace

std::string LoadResourceString(unsigned id) {
  const auto* end = std::end(kStrings);
  const auto* it = std::lower_bound(std::begin(kStrings), end, id,
                                    [](const StringEntry& e, unsigned v) { return e.id < v; });
  if (it != end && it->id == id) return std::string(it->text);

  // A command's string is its prompt and tooltip, one per line.
  if (const CommandInfo* command = FindCommand(id)) {
    std::string text(command->prompt);
    text += '\n';
    text += command->tooltip;
    return text;
  }
  return {};
}

}  // namespace quillet
