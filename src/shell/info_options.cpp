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
      "\nSettings are kept in $XDG_CONFIG_HOME/quillet/registry.db; QUILLET_REGISTRY names "
      "another file.\n";
  return text;
}

std::string VersionText() {
  return std::string("Quillet ") + QUILLET_VERSION +
         "\nA read-only database browser. Copyright (C) the Quillet authors.\n";
}

}  // namespace quillet::shell
