// The connection commands against real SQLite files and real data link files, with a scripted
// user standing in for the dialogs.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "datasource/connection.h"
#include "datasource/provider_ops.h"
#include "datasource/udl_file.h"
#include "provider_helpers.h"
#include "test_files.h"

namespace quillet::db {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;

constexpr const char* kInterrupted = "The new connection has been interrupted: ";
constexpr const char* kErrorCaption = "Quillet: Error message";

struct Message {
  std::string caption;
  std::string text;
  MessageIcon icon;
};

// Answers the dialogs from a script and records what the connection showed.
class ScriptedUi : public ConnectionUi {
 public:
  std::deque<std::optional<std::string>> fileAnswers;  // both file dialogs; nullopt: cancel
  std::function<int(const std::string&)> editor;       // edits the file like the dialog would
  HRESULT promptResult = DB_E_CANCELED;
  std::string promptString;
  std::vector<Message> messages;
  int waitDepth = 0;

  bool ChooseFileToOpen(const FileDialogOptions&, std::string* path) override {
    return Answer(path);
  }
  bool ChooseFileToSave(const FileDialogOptions&, std::string* path) override {
    return Answer(path);
  }
  int EditDataLinkFile(const std::string& path) override { return editor ? editor(path) : 0; }
  HRESULT PromptDataLink(std::string* initString) override {
    *initString = promptString;
    return promptResult;
  }
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon) override {
    messages.push_back({caption, text, icon});
  }
  void BeginWaitCursor() override { ++waitDepth; }
  void EndWaitCursor() override { --waitDepth; }

 private:
  bool Answer(std::string* path) {
    std::optional<std::string> answer;
    if (!fileAnswers.empty()) answer = fileAnswers.front(), fileAnswers.pop_front();
    if (answer) *path = *answer;
    return answer.has_value();
  }
};

// A window stand-in: records its hooks and refuses where told to.
class TestConnection : public xConnection {
 public:
  using xConnection::xConnection;
  std::vector<std::string> calls;
  int refuseBeforePrompt = 0, refuseBeforeOpen = 0, refuseBeforeClose = 0;
  int promptOpenedResult = 0;
  std::function<void()> atBeforePrompt;

  int OnBeforePrompt(unsigned, unsigned, ControlHandle, int&) override {
    if (atBeforePrompt) atBeforePrompt();
    return Record("BeforePrompt", refuseBeforePrompt);
  }
  int OnPromptOpened(unsigned, unsigned, ControlHandle, int&) override {
    return Record("PromptOpened", promptOpenedResult);
  }
  int OnBeforeOpen(unsigned, unsigned, ControlHandle, int&) override {
    return Record("BeforeOpen", refuseBeforeOpen);
  }
  int OnOpened(unsigned, unsigned, ControlHandle, int&) override { return Record("Opened", 0); }
  int OnBeforeClose(unsigned, unsigned, ControlHandle, int&) override {
    return Record("BeforeClose", refuseBeforeClose);
  }
  int OnClosed(unsigned, unsigned, ControlHandle, int&) override { return Record("Closed", 0); }

 private:
  int Record(const char* hook, int result) {
    calls.push_back(hook);
    return result;
  }
};

// Rows of "select * from t" through the connection's session; -1 when the query fails.
int CountRows(const std::shared_ptr<ISession>& session) {
  std::shared_ptr<IRowset> rowset;
  if (!session || Failed(testing::RunQuery(*session, "select * from t", &rowset))) return -1;
  HRESULT end = S_OK;
  const auto rows = static_cast<int>(testing::Walk(*rowset, &end));
  return Failed(end) ? -1 : rows;
}

std::string InitStringFor(const std::string& database) {
  return "Provider=SQLite;Data Source=" + database;
}

// Writes a data link file to `database` the way a confirmed editor does; 0 or an errno value.
int WriteLinkTo(const std::string& path, const std::string& database) {
  return WriteDataLinkFile(path, InitStringFor(database), nullptr) ? 0 : EIO;
}

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(folder_.File(""));
    for (auto [name, rows] : {std::pair{"a", 3}, std::pair{"b", 5}}) {
      std::string sql = "create table t(x integer);";
      for (int i = 0; i < rows; ++i) sql += "insert into t values(" + std::to_string(i) + ");";
      testing::RunSql(folder_.File(std::string(name) + ".db"), sql);
      WriteLinkTo(folder_.File(std::string(name) + ".udl"),
                  folder_.File(std::string(name) + ".db"));
    }
    dbB_ = folder_.File("b.db");
    udlA_ = folder_.File("a.udl");
    udlB_ = folder_.File("b.udl");
  }
  void TearDown() override { EXPECT_EQ(ui_.waitDepth, 0) << "every wait cursor must be ended"; }

  // Files in the test folder whose names contain ".t{" (temporary data links).
  std::vector<std::string> TemporaryDataLinks() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().filename().string().find(".t{") != std::string::npos)
        found.push_back(entry.path().string());
    return found;
  }
  // An editor that writes a link to database B into the file it is given.
  std::function<int(const std::string&)> EditorWritingB() {
    return [this](const std::string& path) {
      editedPaths_.push_back(path);
      return WriteLinkTo(path, dbB_);
    };
  }
  // Exactly one message was shown, and its text starts with `prefix`.
  void ExpectMessage(const std::string& caption, MessageIcon icon, const std::string& prefix) {
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].caption, caption);
    EXPECT_EQ(ui_.messages[0].icon, icon);
    EXPECT_EQ(ui_.messages[0].text.rfind(prefix, 0), 0u) << ui_.messages[0].text;
  }
  void ExpectAStillOpen() {
    EXPECT_EQ(conn_.DisplayName(), udlA_);
    EXPECT_EQ(CountRows(conn_.Session()), 3);
  }
  void OpenA() {
    ASSERT_EQ(conn_.Open(udlA_, 0, 0, nullptr, handled_, true), 0);
    ASSERT_TRUE(conn_.IsOpen());
    conn_.calls.clear();
  }

  testing::TempFolder folder_;
  fs::path dir_;
  std::string dbB_, udlA_, udlB_;
  std::vector<std::string> editedPaths_;
  int handled_ = 0;
  ScriptedUi ui_;
  TestConnection conn_{ui_};
};

using Entries = std::vector<std::string>;

// --- Opening and closing -----------------------------------------------------------------------

TEST_F(ConnectionTest, OpenDataLinkFileNamesTheFileAndEntersItInTheRecentList) {
  EXPECT_EQ(conn_.Open(udlA_, 0, 0, nullptr, handled_, true), 0);
  EXPECT_EQ(conn_.DisplayName(), udlA_);
  EXPECT_EQ(conn_.Recent().Entries(), Entries{udlA_});
  EXPECT_EQ(CountRows(conn_.Session()), 3);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(conn_.calls, (Entries{"BeforeOpen", "BeforeClose", "Closed", "Opened"}));
  // A connection string replaces it, is named so and is not remembered.
  EXPECT_EQ(conn_.Open(InitStringFor(dbB_), 0, 0, nullptr, handled_, false), 0);
  EXPECT_EQ(conn_.DisplayName(), "connection string");
  EXPECT_EQ(conn_.Recent().Entries(), Entries{udlA_});
  EXPECT_EQ(CountRows(conn_.Session()), 5);
}

TEST_F(ConnectionTest, FileDialogsCancelledReturnOne) {
  ui_.fileAnswers = {std::nullopt, std::nullopt, udlB_};
  EXPECT_EQ(conn_.OpenDataLinkDialog(0, kCommandOpenDataLink, nullptr, handled_), 1);
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled_), 1);
  EXPECT_FALSE(conn_.IsOpen());
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(conn_.OpenDataLinkDialog(0, kCommandOpenDataLink, nullptr, handled_), 0);
  EXPECT_EQ(conn_.DisplayName(), udlB_);
}

TEST_F(ConnectionTest, CloseForgetsNameAndReferences) {
  OpenA();
  int handled = 7;
  EXPECT_EQ(conn_.Close(0, kCommandCloseConnection, nullptr, handled), 0);
  EXPECT_EQ(handled, 0);
  EXPECT_FALSE(conn_.IsOpen());
  EXPECT_EQ(conn_.Session(), nullptr);
  EXPECT_EQ(conn_.DisplayName(), "");
  EXPECT_EQ(conn_.calls, (Entries{"BeforeClose", "Closed"}));
}

// --- A source that fails its test open leaves the open connection as it was ------------------

struct BadSource {
  const char* name;
  std::function<std::string(const fs::path& dir)> make;  // writes what it needs, gives the source
  bool isFile = true;
};
class FailedTestOpen : public ConnectionTest, public ::testing::WithParamInterface<BadSource> {};

TEST_P(FailedTestOpen, KeepsTheOpenConnectionUsable) {
  OpenA();
  const auto session = conn_.Session();
  EXPECT_EQ(conn_.Open(GetParam().make(dir_), 0, 0, nullptr, handled_, GetParam().isFile), 0);
  ExpectMessage("", MessageIcon::None, kInterrupted);
  EXPECT_TRUE(conn_.calls.empty()) << "no hook may run before the test open succeeded";
  EXPECT_EQ(conn_.Session(), session);
  ExpectAStillOpen();
  EXPECT_EQ(conn_.Recent().Entries(), Entries{udlA_});
}

INSTANTIATE_TEST_SUITE_P(
    Sources, FailedTestOpen,
    ::testing::Values(
        BadSource{"MissingFile", [](const fs::path& d) { return (d / "none.udl").string(); }},
        BadSource{"BrokenConnectionString",
                  [](const fs::path&) { return std::string("Provider='SQLite;Data Source"); },
                  false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ConnectionTest, RecentIndexOutsideTheListFailsInTheTestOpen) {
  OpenA();
  EXPECT_EQ(conn_.OpenRecent(0, kCommandFirstRecent + 3, nullptr, handled_), 0);
  ExpectMessage("", MessageIcon::None, kInterrupted);
  ExpectAStillOpen();
}

// --- Refusals by the window: -1 from a "before" hook ---------------------------------------------

enum class Command { Open, CreateConnectionString, CreateDataLink };

struct Refusal {
  const char* name;
  Command command;
  int TestConnection::*refuser;
  int expected;
};
class HookRefusal : public ConnectionTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(HookRefusal, AbortsSilentlyWithItsCodeAndKeepsTheConnection) {
  const Refusal& r = GetParam();
  OpenA();
  conn_.*r.refuser = -1;
  ui_.fileAnswers = {(dir_ / "new.udl").string()};
  ui_.editor = EditorWritingB();
  ui_.promptResult = S_OK;
  ui_.promptString = InitStringFor(dbB_);

  int handled = 0;
  const int result =
      r.command == Command::Open ? conn_.Open(udlB_, 0, 0, nullptr, handled, true)
      : r.command == Command::CreateDataLink
          ? conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled)
          : conn_.CreateConnectionString(0, kCommandCreateConnectionString, nullptr, handled);
  EXPECT_EQ(result, r.expected);
  EXPECT_EQ(handled, 1);
  EXPECT_TRUE(ui_.messages.empty());
  ExpectAStillOpen();
  EXPECT_TRUE(TemporaryDataLinks().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Hooks, HookRefusal,
    ::testing::Values(
        Refusal{"OpenBeforeOpen", Command::Open, &TestConnection::refuseBeforeOpen, 1},
        Refusal{"OpenBeforeClose", Command::Open, &TestConnection::refuseBeforeClose, 1},
        Refusal{"StringBeforePrompt", Command::CreateConnectionString,
                &TestConnection::refuseBeforePrompt, 2},
        Refusal{"StringBeforeClose", Command::CreateConnectionString,
                &TestConnection::refuseBeforeClose, 3},
        Refusal{"LinkBeforePrompt", Command::CreateDataLink, &TestConnection::refuseBeforePrompt,
                3},
        Refusal{"LinkBeforeClose", Command::CreateDataLink, &TestConnection::refuseBeforeClose, 4}),
    [](const auto& param) { return std::string(param.param.name); });

// --- The data link prompt ----------------------------------------------------------------------

struct PromptCase {
  const char* name;
  HRESULT promptResult;
  std::string initString;  // "%B" stands for database B, "%MISSING" for a missing one
  int expected;
  bool open;  // otherwise an error is shown, unless the user cancelled
};
class Prompt : public ConnectionTest, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(Prompt, EndsAsTheUserAndTheProviderSay) {
  const PromptCase& c = GetParam();
  OpenA();
  ui_.promptResult = c.promptResult;
  ui_.promptString = c.initString == "%B"         ? InitStringFor(dbB_)
                     : c.initString == "%MISSING" ? InitStringFor((dir_ / "no" / "x.db").string())
                                                  : c.initString;
  conn_.promptOpenedResult = 7;
  EXPECT_EQ(conn_.CreateConnectionString(0, kCommandCreateConnectionString, nullptr, handled_),
            c.expected);
  if (c.open || c.promptResult == DB_E_CANCELED)
    EXPECT_TRUE(ui_.messages.empty());
  else
    ExpectMessage(kErrorCaption, MessageIcon::Error, kInterrupted);
  EXPECT_EQ(conn_.IsOpen(), c.open);
  // A failed open must not leave a half-made data source that would count as open.
  if (!c.open) {
    EXPECT_EQ(conn_.DataSource(), nullptr);
  } else {
    EXPECT_EQ(conn_.DisplayName(), "connection string");
    EXPECT_EQ(CountRows(conn_.Session()), 5);
    EXPECT_EQ(conn_.Recent().Entries(), Entries{udlA_});
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, Prompt,
                         ::testing::Values(PromptCase{"Opened", S_OK, "%B", 7, true},
                                           PromptCase{"Cancelled", DB_E_CANCELED, "", 4, false},
                                           PromptCase{"ClosedWithoutSource", S_FALSE, "", 1, false},
                                           PromptCase{"InitializeFails", S_OK, "%MISSING", 1,
                                                      false}),
                         [](const auto& param) { return std::string(param.param.name); });

// --- New data link files -----------------------------------------------------------------------

TEST_F(ConnectionTest, NewDataLinkIsEditedInATemporaryFileAndOpened) {
  const std::string target = (dir_ / "fresh.udl").string();
  ui_.fileAnswers = {target};
  ui_.editor = EditorWritingB();
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled_), 0);
  EXPECT_TRUE(ui_.messages.empty());
  // The editor worked on "<target>.t{GUID}.udl", which is gone now.
  ASSERT_EQ(editedPaths_.size(), 1u);
  EXPECT_EQ(editedPaths_[0].rfind(target + ".t{", 0), 0u) << editedPaths_[0];
  EXPECT_EQ(editedPaths_[0].size(), target.size() + 3 + 36 + 5) << editedPaths_[0];
  EXPECT_TRUE(TemporaryDataLinks().empty());
  EXPECT_EQ(conn_.DisplayName(), target);
  EXPECT_EQ(conn_.Recent().Entries(), Entries{target});
  EXPECT_EQ(CountRows(conn_.Session()), 5);
  EXPECT_EQ(conn_.calls.back(), "PromptOpened");
}

TEST_F(ConnectionTest, EditorCancelledOpensNothingAndLeavesNoTemporaryFile) {
  OpenA();
  const std::string target = (dir_ / "fresh.udl").string();
  ui_.fileAnswers = {target};
  ui_.editor = [](const std::string&) { return 0; };  // closed without confirming
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled_), 0);
  EXPECT_TRUE(TemporaryDataLinks().empty());
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(conn_.calls.empty());
  ExpectAStillOpen();
}

TEST_F(ConnectionTest, ExistingFileIsReplacedOnlyAfterTheNewLinkOpened) {
  OpenA();
  const std::string oldBytes = ReadBytes(udlA_);
  ui_.fileAnswers = {udlA_};
  ui_.editor = EditorWritingB();
  bool checked = false;
  conn_.atBeforePrompt = [&] {
    // The new link has passed its test open; the chosen file still holds the old one.
    EXPECT_EQ(ReadBytes(udlA_), oldBytes);
    EXPECT_EQ(TemporaryDataLinks().size(), 1u);
    checked = true;
  };
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled_), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(ReadBytes(udlA_), DataLinkFileBytes(InitStringFor(dbB_)));
  EXPECT_EQ(conn_.DisplayName(), udlA_);
  EXPECT_EQ(CountRows(conn_.Session()), 5);
  EXPECT_EQ(conn_.Recent().Entries(), Entries{udlA_});
  EXPECT_TRUE(TemporaryDataLinks().empty());
}

struct LinkFailure {
  const char* name;
  std::function<std::string(const fs::path& dir)> target;  // empty: the open data link file
  std::function<int(const std::string& path)> editor;
  std::string message;  // the text, or its start
};
class NewLinkFailure : public ConnectionTest, public ::testing::WithParamInterface<LinkFailure> {};

TEST_P(NewLinkFailure, ShowsTheErrorAndLeavesFilesAndConnection) {
  OpenA();
  const std::string oldBytes = ReadBytes(udlA_);
  ui_.fileAnswers = {GetParam().target ? GetParam().target(dir_) : udlA_};
  ui_.editor = GetParam().editor;
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled_), 1);
  EXPECT_EQ(handled_, 1);
  ExpectMessage(kErrorCaption, MessageIcon::Error, GetParam().message);
  EXPECT_EQ(ReadBytes(udlA_), oldBytes);
  EXPECT_TRUE(TemporaryDataLinks().empty());
  ExpectAStillOpen();
}

const std::string kCreation = "Creation and configuration of the Microsoft Data Link File: ";

INSTANTIATE_TEST_SUITE_P(
    Steps, NewLinkFailure,
    ::testing::Values(
        LinkFailure{"BadNewLinkOntoExistingFile", nullptr,
                    [](const std::string& p) { return WriteLinkTo(p, "/nonexistent/q/x.db"); },
                    kInterrupted},
        LinkFailure{"TemporaryFileCannotBeMade",
                    [](const fs::path& d) { return (d / "no-such-folder" / "x.udl").string(); },
                    nullptr, kCreation + "No such file or directory"},
        LinkFailure{"EditorCannotStart", [](const fs::path& d) { return (d / "x.udl").string(); },
                    [](const std::string&) { return EACCES; }, kCreation + "Permission denied"},
        LinkFailure{"RenameFails",
                    [](const fs::path& d) {
                      fs::create_directory(d / "taken.udl");
                      WriteBytes((d / "taken.udl" / "inside").string(), "keep");
                      return (d / "taken.udl").string();
                    },
                    [](const std::string& p) {
                      return WriteLinkTo(p, (fs::path(p).parent_path() / "b.db").string());
                    },
                    "Is a directory"}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace quillet::db
