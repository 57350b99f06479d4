#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/command_line.h"

namespace quillet::shell {
namespace {

// Records what the options asked of the window, in order.
class RecordingFrame : public CommandLineFrame {
 public:
  std::vector<std::string> calls;

  void Open(const std::string& text, bool isFile) override {
    calls.push_back((isFile ? "file:" : "string:") + text);
  }
  void ClearSaveLayout() override { calls.push_back("nosave"); }
  void ShowQuickViewBar(bool show) override { calls.push_back(show ? "+qbar" : "-qbar"); }
  void ShowReport(bool show) override { calls.push_back(show ? "+report" : "-report"); }
  void ShowDatabaseTree(bool show) override { calls.push_back(show ? "+tree" : "-tree"); }
};

struct CommandLineCase {
  const char* name;
  std::vector<std::string> arguments;  // after the program name
  std::vector<std::string> expected;
};

class CommandLineActions : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineActions, CarriesOutTheOptions) {
  std::vector<std::string> arguments = {"/usr/bin/quillet"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  RecordingFrame frame;
  ParseCommandLine(frame, arguments);
  EXPECT_EQ(frame.calls, GetParam().expected);
}

const std::string kConnection = "Provider=SQLite;Data Source=/tmp/a.db";

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineActions,
    ::testing::Values(
        CommandLineCase{"NoArguments", {}, {}},
        CommandLineCase{
            "FileWinsOverString", {"-udl", "a.udl", "-constr", kConnection}, {"file:a.udl"}},
        CommandLineCase{"UdlWithoutValueLeavesString",
                        {"-udl", "-constr", kConnection},
                        {"string:" + kConnection}},
        CommandLineCase{"EmptyUdlValueLeavesString",
                        {"-udl", "", "-constr", kConnection},
                        {"string:" + kConnection}},
        CommandLineCase{
            "FirstOccurrenceWins", {"-udl", "first.udl", "-udl", "second.udl"}, {"file:first.udl"}},
        CommandLineCase{"UnquotedPathWithBlank",
                        {"-udl", "/home/ann/My", "Links/a.udl"},
                        {"file:/home/ann/My"}},
        CommandLineCase{"ShowWinsOverHide", {"-hide_report", "-show_report"}, {"+report"}},
        CommandLineCase{"DashDigitIsAValue", {"-constr", "-5x"}, {"string:-5x"}},
        CommandLineCase{"OptionsAreCaseSensitive", {"-UDL", "a.udl", "-Show_report"}, {}},
        CommandLineCase{"FlagSwallowsFollowingFile", {"-hide_report", "a.udl"}, {"-report"}},
        CommandLineCase{"ValueBeforeAnyOptionIgnored", {"a.udl", "-show_dbtree"}, {"+tree"}},
        CommandLineCase{
            "AllActionsInOrder",
            {"-hide_dbtree", "-show_dbqbar", "-dontsavelayout", "-hide_report", "-udl", "x.udl"},
            {"file:x.udl", "nosave", "+qbar", "-report", "-tree"}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(OptionTable, KeepsExtraValuesAfterTheFirst) {
  const OptionTable table =
      BuildOptionTable({"quillet", "-x", "-", "more", "-y", "-7", "-x", "lost", "tail"});
  EXPECT_EQ(table.at("-x"), (std::vector<std::string>{"-", "more", "tail"}));
  EXPECT_EQ(table.at("-y"), (std::vector<std::string>{"-7"}));
  EXPECT_EQ(ValueOf(table, "-x"), "-");
  EXPECT_EQ(ValueOf(table, "-z"), "");
  EXPECT_FALSE(IsOption("-"));
  EXPECT_FALSE(IsOption("-0"));
  EXPECT_TRUE(IsOption("-a"));
  EXPECT_TRUE(IsOption("--"));
}

TEST(StartAction, ComparesTheWholeCommand) {
  EXPECT_EQ(ChooseStartAction("-newudl"), StartAction::kCreateDataLink);
  EXPECT_EQ(ChooseStartAction("-newcstr"), StartAction::kCreateConnectionString);
  EXPECT_EQ(ChooseStartAction("-openudl"), StartAction::kOpenDataLinkDialog);
  for (const char* other : {"", "-openudl ", "-OPENUDL", "-openudl x.udl", "-udl a.udl"}) {
    EXPECT_EQ(ChooseStartAction(other), StartAction::kParseCommandLine) << other;
  }
}

}  // namespace
}  // namespace quillet::shell
