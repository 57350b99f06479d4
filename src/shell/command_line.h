#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::shell {

// What the start-up options act on: the window being started.
class CommandLineFrame {
 public:
  virtual ~CommandLineFrame() = default;

  // Opens a data link file (isFile true) or a connection string (isFile false).
  virtual void Open(const std::string& text, bool isFile) = 0;
  // "-dontsavelayout": this window will not save its view settings and layout when it closes.
  virtual void ClearSaveLayout() = 0;
  virtual void ShowQuickViewBar(bool show) = 0;
  virtual void ShowReport(bool show) = 0;
  virtual void ShowDatabaseTree(bool show) = 0;
};

// Option text -> the values that followed it. Keys compare byte by byte (case-sensitive).
using OptionTable = std::map<std::string, std::vector<std::string>>;

// An option is at least two characters long, starts with '-' and its second character is not a
// digit; "-5", "-" and "x" are values.
bool IsOption(std::string_view argument);

// Builds the table from an argument vector whose first entry is the program.
OptionTable BuildOptionTable(const std::vector<std::string>& arguments);

// The first value of the option, or the empty text when it is absent or has no value.
std::string ValueOf(const OptionTable& table, const std::string& option);

// Carries out the start-up options on the frame. Nothing is reported for any input.
void ParseCommandLine(CommandLineFrame& frame, const std::vector<std::string>& arguments);
void ParseCommandLine(CommandLineFrame& frame, int argc, const char* const* argv);

// The usage summary, lines joined by line feeds, no final line feed.
std::string CommandLineUsage();

// Verbs a running window uses to ask for a new window.
inline constexpr std::string_view kVerbNewDataLink = "-newudl";
inline constexpr std::string_view kVerbNewConnectionString = "-newcstr";
inline constexpr std::string_view kVerbOpenDataLink = "-openudl";

// The verb for a new/new-string/open command id (32792, 32793, 32795), else empty.
std::string_view VerbForCommand(unsigned commandId);

// What a new window does first, chosen by its request's whole command.
enum class StartAction {
  kCreateDataLink,          // "-newudl"
  kCreateConnectionString,  // "-newcstr"
  kOpenDataLinkDialog,      // "-openudl"
  kParseCommandLine,        // anything else, also an empty command
};

StartAction ChooseStartAction(std::string_view command);

}  // namespace quillet::shell
