#pragma once
// The command line of an export without a window:
//
//   quillet --export <file>|- --format csv|jsonl|sql
//           -udl <file> | -constr <connection string>
//           --table <name> | --query <sql>
//           [--separator <character>] [--null <text>] [--sql-table <name>]
//
// and its usage, which is the program's one help text.

#include <string>
#include <vector>

#include "export/export_format.h"
#include "export/export_rows.h"

namespace quillet::exporting {

struct ExportArguments {
  enum class Action { Export, Help, Invalid };
  Action action = Action::Invalid;
  std::string error;  // for Invalid: one line saying what is wrong

  std::string target;            // a path, or "-"
  std::string dataLink;          // -udl
  std::string connectionString;  // -constr
  ExportSource source;
  ExportOptions options;
};

// True when the arguments ask for an export, which runs without a window.
bool IsCommandLineRun(int argc, const char* const* argv);

// Reads the arguments; the first is the program.
ExportArguments ParseExportArguments(const std::vector<std::string>& arguments);

// The usage text (the one `quillet --help` prints). Ends with a line feed.
std::string UsageText();

}  // namespace quillet::exporting
