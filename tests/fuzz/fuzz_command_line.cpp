// The command line: any argument vector (arguments split at zero bytes) is carried out on a
// frame without a crash, and every open request names a value that was on the line.

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "shell/command_line.h"

namespace {

class RecordingFrame : public quillet::shell::CommandLineFrame {
 public:
  void Open(const std::string& text, bool) override { opened.push_back(text); }
  void ClearSaveLayout() override {}
  void ShowQuickViewBar(bool) override {}
  void ShowReport(bool) override {}
  void ShowDatabaseTree(bool) override {}
  std::vector<std::string> opened;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments{"quillet"};
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    arguments.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }

  RecordingFrame frame;
  quillet::shell::ParseCommandLine(frame, arguments);
  for (const std::string& opened : frame.opened) {
    QUILLET_FUZZ_CHECK(std::find(arguments.begin() + 1, arguments.end(), opened) !=
                       arguments.end());
  }

  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  RecordingFrame fromArgv;
  quillet::shell::ParseCommandLine(fromArgv, static_cast<int>(argv.size()), argv.data());

  const auto table = quillet::shell::BuildOptionTable(arguments);
  for (const auto& [option, values] : table) {
    QUILLET_FUZZ_CHECK(quillet::shell::IsOption(option));
    (void)quillet::shell::ValueOf(table, option);
  }
  (void)quillet::shell::ChooseStartAction(text);
  return 0;
}
