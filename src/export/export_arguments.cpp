#include "export/export_arguments.h"

#include <map>
#include <optional>
#include <string_view>

#include "shell/command_line.h"
#include "shell/info_options.h"

namespace quillet::exporting {
namespace {

constexpr std::string_view kHelpOptions[] = {"--help"};
// The query's table name in SQL statements when none is given.
constexpr const char* kQueryTableName = "query_result";

bool IsHelp(std::string_view argument) {
  for (const std::string_view help : kHelpOptions) {
    if (argument == help) return true;
  }
  return false;
}

// Every option takes a value; both spellings of the window's own options are taken.
std::optional<std::string> CanonicalOption(std::string_view option) {
  static const std::map<std::string_view, std::string_view> kOptions = {
      {"--export", "--export"}, {"--format", "--format"},      {"-udl", "-udl"},
      {"--udl", "-udl"},        {"-constr", "-constr"},        {"--constr", "-constr"},
      {"--table", "--table"},   {"--query", "--query"},        {"--separator", "--separator"},
      {"--null", "--null"},     {"--sql-table", "--sql-table"}};
  const auto found = kOptions.find(option);
  if (found == kOptions.end()) return std::nullopt;
  return std::string(found->second);
}

std::string SeparatorFromName(const std::string& value) {
  if (value == "comma") return ",";
  if (value == "semicolon") return ";";
  if (value == "tab" || value == "\\t") return "\t";
  return value;
}

ExportArguments Invalid(std::string error) {
  ExportArguments parsed;
  parsed.action = ExportArguments::Action::Invalid;
  parsed.error = std::move(error);
  return parsed;
}

}  // namespace

bool IsCommandLineRun(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    const std::string_view argument = argv[i];
    if (argument == "--export") return true;
  }
  return false;
}

ExportArguments ParseExportArguments(const std::vector<std::string>& arguments) {
  std::map<std::string, std::string> values;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (IsHelp(argument)) {
      ExportArguments help;
      help.action = ExportArguments::Action::Help;
      return help;
    }
    const std::optional<std::string> option = CanonicalOption(argument);
    if (!option) {
      if (shell::IsOption(argument)) return Invalid("unknown option " + argument + ".");
      return Invalid("unexpected argument \"" + argument + "\".");
    }
    if (i + 1 >= arguments.size()) return Invalid(argument + " needs a value.");
    if (!values.emplace(*option, arguments[++i]).second)
      return Invalid(*option + " is given more than once.");
  }
  const auto value = [&values](const char* option) -> const std::string* {
    const auto found = values.find(option);
    return found == values.end() ? nullptr : &found->second;
  };

  ExportArguments parsed;
  parsed.action = ExportArguments::Action::Export;
  if (!value("--export") || value("--export")->empty())
    return Invalid("--export needs the file to write, or - for standard output.");
  parsed.target = *value("--export");

  if (!value("--format")) return Invalid("--format is missing (csv, jsonl or sql).");
  const std::optional<ExportFormat> format = FormatFromName(*value("--format"));
  if (!format) return Invalid("unknown format \"" + *value("--format") + "\" (csv, jsonl or sql).");
  parsed.options.format = *format;

  if ((value("-udl") != nullptr) == (value("-constr") != nullptr))
    return Invalid("give either -udl or -constr.");
  if (value("-udl")) parsed.dataLink = *value("-udl");
  if (value("-constr")) parsed.connectionString = *value("-constr");

  if ((value("--table") != nullptr) == (value("--query") != nullptr))
    return Invalid("give either --table or --query.");
  parsed.source = value("--table") ? ExportSource::Table(*value("--table"))
                                   : ExportSource::Query(*value("--query"));
  if (parsed.source.text.empty())
    return Invalid(value("--table") ? "--table needs a name." : "--query needs a statement.");

  const bool csv = *format == ExportFormat::Csv;
  if (value("--separator")) {
    if (!csv) return Invalid("--separator applies to csv only.");
    parsed.options.separator = SeparatorFromName(*value("--separator"));
  }
  if (value("--null")) {
    if (!csv) return Invalid("--null applies to csv only.");
    parsed.options.nullText = *value("--null");
  }
  if (value("--sql-table") && *format != ExportFormat::SqlInserts)
    return Invalid("--sql-table applies to sql only.");
  parsed.options.tableName = value("--sql-table") ? *value("--sql-table")
                             : parsed.source.kind == ExportSource::Kind::Table ? parsed.source.text
                                                                               : kQueryTableName;
  if (const std::string why = CheckOptions(parsed.options); !why.empty()) return Invalid(why);
  return parsed;
}

std::string UsageText() {
  return shell::HelpText();
}

}  // namespace quillet::exporting
