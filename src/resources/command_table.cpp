// The frame's commands with the texts of their menu items and the two lines of their strings.
#include <algorithm>
#include <iterator>

#include "resources/string_table.h"

namespace quillet {
namespace {

// Kept sorted by id (checked below).
constexpr CommandInfo kCommands[] = {
    {32781, "", "", "Change list view", "Change list view"},
    {32782, "&Configuration...", "", "Configuration setting", "Configuration..."},
    {32788, "&Icons", "", "Shows data as Icons", "Show data as Icons"},
    {32789, "&List", "", "Shows data as List", "Show data as List"},
    {32790, "&Report", "", "Shows data as Report", "Show data as Report"},
    {32791, "&Small icons", "", "Shows data as Small Icons", "Show data as Small Icons"},
    {32792, "Create new data &link (UDL file)...", "Ctrl + D",
     "Creates a new database connection using the UDL-file",
     "Create a new connection using the UDL-file"},
    {32793, "Create new connection &string...", "Ctrl + N",
     "Creates a new database connection using the connection string",
     "Create a new connection using the connection string"},
    {32795, "&Open data link (UDL file)...", "Ctrl + O",
     "Opens an existing connection to the database", "Open an existing connection"},
    {32796, "&Close the connection", "", "Closes the active connection",
     "Close the active connection"},
    {32801, "&Back", "Alt + Left Arrow", "Go back", "Go back (Alt+Left Arrow)"},
    {32802, "&Forward", "Alt + Right Arrow", "Go forward", "Go forward (Alt+Right Arrow)"},
    {32803, "&Up One level", "", "Up one level", "Up one level"},
    {32804, "&Refresh", "Ctrl + R", "Reloads the data and refreshes the layout",
     "Refresh layout (Ctrl+R)"},
    {32805, "&Lock the Tool Bars", "", "Locks or unlocks the tool bars", "Lock the Tool Bars"},
    {32806, "E&xit", "Alt + F4", "Quit the application", "Exit"},
    {32807, "&About the Quillet...", "Shift + F1",
     "Quillet 1.6, a read-only database browser: program information and version number", "About"},
    {32809, "Sto&p", "", "Stops execution", "Stop"},
    {32810, "&Quick view bar", "", "Show/Hide Quick view bar", "Show/Hide Quick view bar"},
    {32811, "Data base &tree", "", "Show/Hide Database Tree", "Show/Hide Database Tree"},
    {32812, "&Report window", "", "Show/Hide Report Window", "Show/Hide Report Window"},
    {32813, "Database B&uttons", "", "Activate/deactivate database buttons toolbar",
     "Activate/deactivate database buttons toolbar"},
    {32814, "&SQL window", "", "Show/Hide SQL Window", "Show/Hide SQL Window"},
    {32818, "&Plug-ins...", "", "Shows plug-ins", "Show plug-ins"},
    {32822, "Execute the &SQL query", "F5", "Executes the SQL Query", "Execute the SQL Query"},
    {32823, "Go to &previous row (item)", "", "Go to previous row (item)",
     "Go to previous row (item)"},
    {32824, "Go to &next row (item)", "", "Go to next row (item)", "Go to next row (item)"},
    {32826, "&Save the Configuration", "", "Saves the configuration to the registry",
     "Save the configuration"},
    {32828, "&Export the Configuration...", "", "Exports the configuration to a file",
     "Export the configuration..."},
    {32830, "Tip of the &Day...", "", "Shows the 'Tip of the day' dialog",
     "Show the 'Tip of the day' dialog"},
    // Paging of tables, views and queries.
    {32840, "&Go to Row...", "Ctrl + G", "Shows the page of a row and puts the cursor on it",
     "Go to Row (Ctrl+G)"},
    {32841, "&First Page", "Ctrl + Home", "Shows the first page of rows", "First Page (Ctrl+Home)"},
    {32842, "Pre&vious Page", "Ctrl + Page Up", "Shows the previous page of rows",
     "Previous Page (Ctrl+Page Up)"},
    {32843, "Ne&xt Page", "Ctrl + Page Down", "Shows the next page of rows",
     "Next Page (Ctrl+Page Down)"},
    {32844, "L&ast Page", "Ctrl + End", "Shows the last page of rows", "Last Page (Ctrl+End)"},
    // Getting data out.
    {32850, "&Copy", "Ctrl + C", "Copies the whole value of the cursor cell", "Copy (Ctrl+C)"},
    {32851, "Copy &Row", "Ctrl + Shift + C",
     "Copies the cursor row as tab-separated text with a header line", "Copy Row (Ctrl+Shift+C)"},
    {32852, "Copy &Page", "", "Copies the rows shown as tab-separated text with a header line",
     "Copy Page"},
    {32853, "E&xport Rows...", "", "Writes every row of the table, view or query to a file",
     "Export Rows"},
    {33794, "Standard &Buttons", "", "Activate/deactivate standard buttons toolbar",
     "Activate/deactivate standart buttons toolbar"},
    {33797, "Status &Bar", "", "Activate/deactivate status bar", "Activate/deactivate status bar"},
};

static_assert(std::is_sorted(std::begin(kCommands), std::end(kCommands),
                             [](const CommandInfo& a, const CommandInfo& b) {
                               return a.id < b.id;
                             }),
              "the command table must stay sorted by id");

}  // namespace

const CommandInfo* FindCommand(unsigned id) {
  const auto* end = std::end(kCommands);
  const auto* it = std::lower_bound(std::begin(kCommands), end, id,
                                    [](const CommandInfo& c, unsigned v) { return c.id < v; });
  return (it != end && it->id == id) ? it : nullptr;
}

std::span<const CommandInfo> AllCommands() {
  return kCommands;
}

}  // namespace quillet
