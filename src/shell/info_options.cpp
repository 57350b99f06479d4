#include "shell/info_options.h"

namespace quillet::shell {
namespace {

// One way to start the program: its synopsis and what it does.
struct StartForm {
  const char* synopsis;
  const char* meaning;
};

constexpr StartForm kStartForms[] = {
    {"quillet [-udl FILE | -constr STRING] [WINDOW OPTIONS]",
     "open a window on a data link file, a connection string, or nothing yet"},
    {"quillet --export FILE|- --format csv|jsonl|sql (-udl FILE | -constr STRING)\n"
     "        (--table NAME | --query SQL) [EXPORT OPTIONS]",
     "write every row of a table or query to FILE, or to standard output for -,\n"
     "      with no window and no display"},
    {"quillet --help", "print this help and exit"},
    {"quillet --version", "print the version and exit"},
};

}  // namespace

InfoOption FindInfoOption(const std::vector<std::string>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--help") return InfoOption::kHelp;
    if (arguments[i] == "--version") return InfoOption::kVersion;
  }
  return InfoOption::kNone;
}

std::string HelpText() {
  std::string text = "Usage:\n";
  for (const StartForm& form : kStartForms) {
    text += "  ";
    text += form.synopsis;
    text += "\n      ";
    text += form.meaning;
    text += '\n';
  }
  text +=
      "\nWindow options:\n"
      "  -udl FILE                    open a data link (.udl) file\n"
      "  -constr STRING               open a connection string, e.g.\n"
      "                               \"Provider=SQLite;Data Source=/path/to/file.db\"\n"
      "  -dontsavelayout              do not save the window layout when it closes\n"
      "  -show_dbqbar, -hide_dbqbar   show or hide the quick view bar\n"
      "  -show_report, -hide_report   show or hide the report window\n"
      "  -show_dbtree, -hide_dbtree   show or hide the database tree\n"
      "\nExport options:\n"
      "  --format csv|jsonl|sql       CSV (RFC 4180, a header line), JSON Lines (one object\n"
      "                               per row) or SQL INSERT statements\n"
      "  --separator C                the CSV separator: one character, or comma,\n"
      "                               semicolon, tab\n"
      "  --null TEXT                  the CSV text for NULL (an empty field by default)\n"
      "  --sql-table NAME             the table the INSERT statements name (the exported\n"
      "                               table, or query_result for a query)\n"
      "  The file appears only when the export is complete. Exit status: 0 written,\n"
      "  1 failed (the reason on standard error), 2 bad command line.\n"
      "\nSettings are kept in $XDG_CONFIG_HOME/quillet/registry.db; QUILLET_REGISTRY names "
      "another file.\n";
  return text;
}

std::string VersionText() {
  return std::string("Quillet ") + QUILLET_VERSION +
         "\nA read-only database browser. Copyright (C) the Quillet authors.\n";
}

}  // namespace quillet::shell
