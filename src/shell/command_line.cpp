#include "shell/command_line.h"

namespace quillet::shell {
namespace {

bool IsPresent(const OptionTable& table, const char* option) {
  return table.count(option) != 0;
}

// "-show_x" wins over "-hide_x"; with neither the saved layout stands.
template <typename Show>
void ApplyShowHide(const OptionTable& table, const char* showOption, const char* hideOption,
                   Show show) {
  if (IsPresent(table, showOption)) {
    show(true);
  } else if (IsPresent(table, hideOption)) {
    show(false);
  }
}

}  // namespace

bool IsOption(std::string_view argument) {
  return argument.size() >= 2 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9');
}

OptionTable BuildOptionTable(const std::vector<std::string>& arguments) {
  OptionTable table;
  const std::string* lastOption = nullptr;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (IsOption(argument)) {
      std::vector<std::string> values;
      if (i + 1 < arguments.size() && !IsOption(arguments[i + 1])) {
        if (!arguments[i + 1].empty()) values.push_back(arguments[i + 1]);
        ++i;
      }
      // The first occurrence keeps its values; a repeated option's value is dropped.
      lastOption = &table.emplace(argument, std::move(values)).first->first;
    } else if (lastOption != nullptr) {
      // An unquoted path with blanks arrives in pieces; they go after the option's value.
      table[*lastOption].push_back(argument);
    }
  }
  return table;
}

std::string ValueOf(const OptionTable& table, const std::string& option) {
  auto it = table.find(option);
  if (it == table.end() || it->second.empty()) return {};
  return it->second.front();
}

void ParseCommandLine(CommandLineFrame& frame, const std::vector<std::string>& arguments) {
  const OptionTable table = BuildOptionTable(arguments);

  const std::string dataLink = ValueOf(table, "-udl");
  if (!dataLink.empty()) {
    frame.Open(dataLink, true);
  } else {
    const std::string connectionString = ValueOf(table, "-constr");
    if (!connectionString.empty()) frame.Open(connectionString, false);
  }

  if (IsPresent(table, "-dontsavelayout")) frame.ClearSaveLayout();

  ApplyShowHide(table, "-show_dbqbar", "-hide_dbqbar",
                [&](bool show) { frame.ShowQuickViewBar(show); });
  ApplyShowHide(table, "-show_report", "-hide_report", [&](bool show) { frame.ShowReport(show); });
  ApplyShowHide(table, "-show_dbtree", "-hide_dbtree",
                [&](bool show) { frame.ShowDatabaseTree(show); });
}

void ParseCommandLine(CommandLineFrame& frame, int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  ParseCommandLine(frame, arguments);
}

std::string CommandLineUsage() {
  return "  quillet [-udl <udl_file_name>]|[-constr <connection_string>] \n"
         "                 [-dontsavelayout] \n"
         "                 [-show_dbqbar|-hide_dbqbar] \n"
         "                 [-show_report|-hide_report]\n"
         "                 [-show_dbtree|-hide_dbtree]\n"
         "                 [-?|-help|-h] ";
}

std::string_view VerbForCommand(unsigned commandId) {
  switch (commandId) {
    case 32792:
      return kVerbNewDataLink;
    case 32793:
      return kVerbNewConnectionString;
    case 32795:
      return kVerbOpenDataLink;
    default:
      return {};
  }
}

StartAction ChooseStartAction(std::string_view command) {
  if (command == kVerbNewDataLink) return StartAction::kCreateDataLink;
  if (command == kVerbNewConnectionString) return StartAction::kCreateConnectionString;
  if (command == kVerbOpenDataLink) return StartAction::kOpenDataLinkDialog;
  return StartAction::kParseCommandLine;
}

}  // namespace quillet::shell
