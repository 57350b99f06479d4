// The connection commands against real SQLite files and real data link files, with a scripted
// user standing in for the dialogs.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "datasource/connection.h"
#include "datasource/open_ops.h"
#include "datasource/provider_ops.h"
#include "datasource/udl_file.h"

namespace quillet::db {
namespace {

namespace fs = std::filesystem;

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
  std::vector<FileDialogOptions> dialogs;
  int waitDepth = 0;

  bool ChooseFileToOpen(const FileDialogOptions& options, std::string* path) override {
    return Answer(options, path);
  }
  bool ChooseFileToSave(const FileDialogOptions& options, std::string* path) override {
    return Answer(options, path);
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
  bool Answer(const FileDialogOptions& options, std::string* path) {
    dialogs.push_back(options);
    const std::optional<std::string> answer =
        fileAnswers.empty() ? std::nullopt : fileAnswers.front();
    if (!fileAnswers.empty()) fileAnswers.pop_front();
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
  if (!session) return -1;
  std::shared_ptr<ICommand> command;
  if (Failed(session->CreateCommand(&command)) || !command) return -1;
  if (Failed(command->SetCommandText(DBGUID_DEFAULT, u"select * from t"))) return -1;
  std::shared_ptr<IRowset> rowset;
  std::int64_t affected = 0;
  if (Failed(command->Execute(&rowset, &affected)) || !rowset) return -1;
  int rows = 0;
  for (;;) {
    std::size_t obtained = 0;
    HROW row = DB_NULL_HROW;
    const HRESULT hr = rowset->GetNextRows(0, 1, &obtained, &row);
    if (hr != S_OK) return Failed(hr) ? -1 : rows;
    ++rows;
    rowset->ReleaseRows(1, &row);
  }
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string InitStringFor(const std::string& database) {
  return "Provider=SQLite;Data Source=" + database;
}

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quillet-conn-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    dbA_ = MakeDatabase("a.db", 3);
    dbB_ = MakeDatabase("b.db", 5);
    udlA_ = MakeDataLink("a.udl", dbA_);
    udlB_ = MakeDataLink("b.udl", dbB_);
  }
  void TearDown() override {
    EXPECT_EQ(ui_.waitDepth, 0) << "every wait cursor must be ended";
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string MakeDatabase(const std::string& name, int rows) {
    const std::string path = (dir_ / name).string();
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    // No journal and no syncs: the file is thrown away with the test.
    std::string sql = "pragma journal_mode=off; pragma synchronous=off; create table t(x integer);";
    for (int i = 0; i < rows; ++i) sql += "insert into t values(" + std::to_string(i) + ");";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    return path;
  }
  std::string MakeDataLink(const std::string& name, const std::string& database) {
    const std::string path = (dir_ / name).string();
    std::string error;
    EXPECT_TRUE(WriteDataLinkFile(path, InitStringFor(database), &error)) << error;
    return path;
  }
  // Files in the test folder whose names contain ".t{" (temporary data links).
  std::vector<std::string> TemporaryDataLinks() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().filename().string().find(".t{") != std::string::npos)
        found.push_back(entry.path().string());
    return found;
  }
  // An editor that writes `initString` into the file it is given, as a confirmed dialog does.
  std::function<int(const std::string&)> EditorWriting(std::string initString) {
    return [this, initString](const std::string& path) {
      editedPaths_.push_back(path);
      std::string error;
      EXPECT_TRUE(WriteDataLinkFile(path, initString, &error)) << error;
      return 0;
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
    int handled = 0;
    ASSERT_EQ(conn_.Open(udlA_, 0, 0, nullptr, handled, true), 0);
    ASSERT_TRUE(conn_.IsOpen());
    conn_.calls.clear();
  }

  fs::path dir_;
  std::string dbA_, dbB_, udlA_, udlB_;
  std::vector<std::string> editedPaths_;
  ScriptedUi ui_;
  TestConnection conn_{ui_};
};

// --- Opening -----------------------------------------------------------------------------------

TEST_F(ConnectionTest, OpenDataLinkFileNamesTheFileAndEntersItInTheRecentList) {
  int handled = 0;
  EXPECT_EQ(conn_.Open(udlA_, 0, 0, nullptr, handled, true), 0);
  EXPECT_EQ(conn_.DisplayName(), udlA_);
  EXPECT_EQ(conn_.Recent().Entries(), std::vector<std::string>{udlA_});
  EXPECT_EQ(CountRows(conn_.Session()), 3);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(conn_.calls,
            (std::vector<std::string>{"BeforeOpen", "BeforeClose", "Closed", "Opened"}));
  // A connection string replaces it, is named so and is not remembered.
  EXPECT_EQ(conn_.Open(InitStringFor(dbB_), 0, 0, nullptr, handled, false), 0);
  EXPECT_EQ(conn_.DisplayName(), "connection string");
  EXPECT_EQ(conn_.Recent().Entries(), std::vector<std::string>{udlA_});
  EXPECT_EQ(CountRows(conn_.Session()), 5);
}

TEST_F(ConnectionTest, ReopeningAKnownPathMovesItToNewest) {
  int handled = 0;
  for (const auto& path : {udlA_, udlB_, udlA_}) conn_.Open(path, 0, 0, nullptr, handled, true);
  EXPECT_EQ(conn_.Recent().Entries(), (std::vector<std::string>{udlB_, udlA_}));
  // The first recent command is the newest entry, the second the one before it.
  EXPECT_EQ(conn_.OpenRecent(0, kCommandFirstRecent + 1, nullptr, handled), 0);
  EXPECT_EQ(conn_.DisplayName(), udlB_);
  EXPECT_EQ(conn_.OpenRecent(0, kCommandFirstRecent + 1, nullptr, handled), 0);
  EXPECT_EQ(conn_.DisplayName(), udlA_);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ConnectionTest, FileDialogsCancelledReturnOne) {
  int handled = 0;
  ui_.fileAnswers = {std::nullopt, std::nullopt, udlB_};
  EXPECT_EQ(conn_.OpenDataLinkDialog(0, kCommandOpenDataLink, nullptr, handled), 1);
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled), 1);
  EXPECT_FALSE(conn_.IsOpen());
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(conn_.OpenDataLinkDialog(0, kCommandOpenDataLink, nullptr, handled), 0);
  EXPECT_EQ(conn_.DisplayName(), udlB_);
  ASSERT_EQ(ui_.dialogs.size(), 3u);
  EXPECT_EQ(ui_.dialogs[1].title, "Create a new Microsoft UDL-File");
  EXPECT_EQ(ui_.dialogs[2].filterPattern, "*.udl");
  EXPECT_EQ(ui_.dialogs[2].defaultExtension, "udl");
}

TEST_F(ConnectionTest, CloseForgetsNameAndReferences) {
  OpenA();
  int handled = 7;
  EXPECT_EQ(conn_.Close(0, kCommandCloseConnection, nullptr, handled), 0);
  EXPECT_EQ(handled, 0);
  EXPECT_FALSE(conn_.IsOpen());
  EXPECT_EQ(conn_.Session(), nullptr);
  EXPECT_EQ(conn_.DisplayName(), "");
  EXPECT_EQ(conn_.calls, (std::vector<std::string>{"BeforeClose", "Closed"}));
}

// --- A source that fails its test open leaves the open connection as it was ------------------

struct BadSource {
  const char* name;
  std::function<std::string(const fs::path& dir)> make;  // writes what it needs, gives the source
  bool isFile;
};
void PrintTo(const BadSource& c, std::ostream* os) {
  *os << c.name;
}

std::string DataLinkTo(const fs::path& path, const std::string& initString) {
  std::string error;
  WriteDataLinkFile(path.string(), initString, &error);
  return path.string();
}

class FailedTestOpen : public ConnectionTest, public ::testing::WithParamInterface<BadSource> {};

TEST_P(FailedTestOpen, KeepsTheOpenConnectionUsable) {
  OpenA();
  const auto session = conn_.Session();
  int handled = 0;
  EXPECT_EQ(conn_.Open(GetParam().make(dir_), 0, 0, nullptr, handled, GetParam().isFile), 0);
  ExpectMessage("", MessageIcon::None, kInterrupted);
  EXPECT_TRUE(conn_.calls.empty()) << "no hook may run before the test open succeeded";
  EXPECT_EQ(conn_.Session(), session);
  ExpectAStillOpen();
  EXPECT_EQ(conn_.Recent().Entries(), std::vector<std::string>{udlA_});
}

INSTANTIATE_TEST_SUITE_P(
    Sources, FailedTestOpen,
    ::testing::Values(
        BadSource{"MissingFile", [](const fs::path& d) { return (d / "none.udl").string(); }, true},
        BadSource{"EmptyPath", [](const fs::path&) { return std::string(); }, true},
        BadSource{"NotADataLink",
                  [](const fs::path& d) {
                    WriteBytes(d / "junk.udl", "this is not a data link\n");
                    return (d / "junk.udl").string();
                  },
                  true},
        BadSource{"UnknownProvider",
                  [](const fs::path& d) {
                    return DataLinkTo(d / "p.udl", "Provider=NoSuch.1;Data Source=x");
                  },
                  true},
        BadSource{"NotADatabase",
                  [](const fs::path& d) {
                    WriteBytes(d / "junk.db", std::string(4096, 'x'));
                    return DataLinkTo(d / "j.udl", InitStringFor((d / "junk.db").string()));
                  },
                  true},
        BadSource{"BrokenConnectionString",
                  [](const fs::path&) { return std::string("Provider='SQLite;Data Source"); },
                  false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(ConnectionTest, RecentIndexOutsideTheListFailsInTheTestOpen) {
  OpenA();
  int handled = 0;
  EXPECT_EQ(conn_.OpenRecent(0, kCommandFirstRecent + 3, nullptr, handled), 0);
  ExpectMessage("", MessageIcon::None, kInterrupted);
  ExpectAStillOpen();
}

// --- Refusals by the window --------------------------------------------------------------------

enum class Command { Open, CreateConnectionString, CreateDataLink };
enum class Refuser { BeforePrompt, BeforeOpen, BeforeClose };

struct Refusal {
  const char* name;
  Command command;
  Refuser refuser;
  int expected;
};
void PrintTo(const Refusal& c, std::ostream* os) {
  *os << c.name;
}

class HookRefusal : public ConnectionTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(HookRefusal, AbortsSilentlyWithItsCodeAndKeepsTheConnection) {
  const Refusal& r = GetParam();
  OpenA();
  conn_.refuseBeforePrompt = r.refuser == Refuser::BeforePrompt ? -1 : 0;
  conn_.refuseBeforeOpen = r.refuser == Refuser::BeforeOpen ? -1 : 0;
  conn_.refuseBeforeClose = r.refuser == Refuser::BeforeClose ? -1 : 0;
  ui_.fileAnswers = {(dir_ / "new.udl").string()};
  ui_.editor = EditorWriting(InitStringFor(dbB_));
  ui_.promptResult = S_OK;
  ui_.promptString = InitStringFor(dbB_);

  int handled = 0;
  int result = -99;
  switch (r.command) {
    case Command::Open:
      result = conn_.Open(udlB_, 0, 0, nullptr, handled, true);
      break;
    case Command::CreateConnectionString:
      result = conn_.CreateConnectionString(0, kCommandCreateConnectionString, nullptr, handled);
      break;
    case Command::CreateDataLink:
      result = conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled);
      break;
  }
  EXPECT_EQ(result, r.expected);
  EXPECT_EQ(handled, 1);
  EXPECT_TRUE(ui_.messages.empty());
  ExpectAStillOpen();
  EXPECT_TRUE(TemporaryDataLinks().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Hooks, HookRefusal,
    ::testing::Values(
        Refusal{"OpenBeforeOpen", Command::Open, Refuser::BeforeOpen, 1},
        Refusal{"OpenBeforeClose", Command::Open, Refuser::BeforeClose, 1},
        Refusal{"StringBeforePrompt", Command::CreateConnectionString, Refuser::BeforePrompt, 2},
        Refusal{"StringBeforeClose", Command::CreateConnectionString, Refuser::BeforeClose, 3},
        Refusal{"LinkBeforePrompt", Command::CreateDataLink, Refuser::BeforePrompt, 3},
        Refusal{"LinkBeforeClose", Command::CreateDataLink, Refuser::BeforeClose, 4}),
    [](const auto& param) { return std::string(param.param.name); });

// --- The data link prompt ----------------------------------------------------------------------

struct PromptCase {
  const char* name;
  HRESULT promptResult;
  std::string initString;  // "%B" stands for database B, "%MISSING" for a missing one
  int expected;
  bool errorShown;  // with the error caption and the interrupted context
  bool open;
};
void PrintTo(const PromptCase& c, std::ostream* os) {
  *os << c.name;
}

class Prompt : public ConnectionTest, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(Prompt, EndsAsTheUserAndTheProviderSay) {
  const PromptCase& c = GetParam();
  OpenA();
  ui_.promptResult = c.promptResult;
  ui_.promptString = c.initString == "%B"         ? InitStringFor(dbB_)
                     : c.initString == "%MISSING" ? InitStringFor((dir_ / "no" / "x.db").string())
                                                  : c.initString;
  conn_.promptOpenedResult = 7;
  int handled = 0;
  EXPECT_EQ(conn_.CreateConnectionString(0, kCommandCreateConnectionString, nullptr, handled),
            c.expected);
  if (c.errorShown)
    ExpectMessage(kErrorCaption, MessageIcon::Error, kInterrupted);
  else
    EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(conn_.IsOpen(), c.open);
  // A failed open must not leave a half-made data source that would count as open.
  if (!c.open) {
    EXPECT_EQ(conn_.DataSource(), nullptr);
  } else {
    EXPECT_EQ(conn_.DisplayName(), "connection string");
    EXPECT_EQ(CountRows(conn_.Session()), 5);
    EXPECT_EQ(conn_.Recent().Entries(), std::vector<std::string>{udlA_});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Prompt,
    ::testing::Values(PromptCase{"Opened", S_OK, "%B", 7, false, true},
                      PromptCase{"Cancelled", DB_E_CANCELED, "", 4, false, false},
                      PromptCase{"ClosedWithoutSource", S_FALSE, "", 1, true, false},
                      PromptCase{"UnknownProvider", S_OK, "Provider=NoSuch.1", 1, true, false},
                      PromptCase{"InitializeFails", S_OK, "%MISSING", 1, true, false}),
    [](const auto& param) { return std::string(param.param.name); });

// --- New data link files -----------------------------------------------------------------------

TEST_F(ConnectionTest, NewDataLinkIsEditedInATemporaryFileAndOpened) {
  const std::string target = (dir_ / "fresh.udl").string();
  ui_.fileAnswers = {target};
  ui_.editor = EditorWriting(InitStringFor(dbB_));
  int handled = 0;
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled), 0);
  EXPECT_TRUE(ui_.messages.empty());
  ASSERT_EQ(editedPaths_.size(), 1u);
  const std::regex temporaryName(
      std::regex_replace(target, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
      R"(\.t\{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\}\.udl)");
  EXPECT_TRUE(std::regex_match(editedPaths_[0], temporaryName)) << editedPaths_[0];
  EXPECT_TRUE(TemporaryDataLinks().empty());
  EXPECT_EQ(conn_.DisplayName(), target);
  EXPECT_EQ(conn_.Recent().Entries(), std::vector<std::string>{target});
  EXPECT_EQ(CountRows(conn_.Session()), 5);
  EXPECT_EQ(conn_.calls.back(), "PromptOpened");
}

TEST_F(ConnectionTest, EditorCancelledOpensNothingAndLeavesNoTemporaryFile) {
  OpenA();
  const std::string target = (dir_ / "fresh.udl").string();
  ui_.fileAnswers = {target};
  ui_.editor = [](const std::string&) { return 0; };  // closed without confirming
  int handled = 0;
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled), 0);
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
  ui_.editor = EditorWriting(InitStringFor(dbB_));
  bool checked = false;
  conn_.atBeforePrompt = [&] {
    // The new link has passed its test open; the chosen file still holds the old one.
    EXPECT_EQ(ReadBytes(udlA_), oldBytes);
    EXPECT_EQ(TemporaryDataLinks().size(), 1u);
    checked = true;
  };
  int handled = 0;
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled), 0);
  EXPECT_TRUE(checked);
  EXPECT_EQ(ReadBytes(udlA_), DataLinkFileBytes(InitStringFor(dbB_)));
  EXPECT_EQ(conn_.DisplayName(), udlA_);
  EXPECT_EQ(CountRows(conn_.Session()), 5);
  EXPECT_EQ(conn_.Recent().Entries(), std::vector<std::string>{udlA_});
  EXPECT_TRUE(TemporaryDataLinks().empty());
}

struct LinkFailure {
  const char* name;
  std::function<std::string(const fs::path& dir, const std::string& existing)> target;
  std::function<int(const std::string& path)> editor;
  std::string message;  // the text, or its start
};
void PrintTo(const LinkFailure& c, std::ostream* os) {
  *os << c.name;
}

class NewLinkFailure : public ConnectionTest, public ::testing::WithParamInterface<LinkFailure> {};

TEST_P(NewLinkFailure, ShowsTheErrorAndLeavesFilesAndConnection) {
  OpenA();
  const std::string oldBytes = ReadBytes(udlA_);
  ui_.fileAnswers = {GetParam().target(dir_, udlA_)};
  ui_.editor = GetParam().editor;
  int handled = 0;
  EXPECT_EQ(conn_.CreateDataLink(0, kCommandCreateDataLink, nullptr, handled), 1);
  EXPECT_EQ(handled, 1);
  ExpectMessage(kErrorCaption, MessageIcon::Error, GetParam().message);
  EXPECT_EQ(ReadBytes(udlA_), oldBytes);
  EXPECT_TRUE(TemporaryDataLinks().empty());
  ExpectAStillOpen();
}

int WriteLinkTo(const std::string& path, const std::string& database) {
  std::string error;
  return WriteDataLinkFile(path, InitStringFor(database), &error) ? 0 : EIO;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, NewLinkFailure,
    ::testing::Values(
        LinkFailure{"BadNewLinkOntoExistingFile",
                    [](const fs::path&, const std::string& existing) { return existing; },
                    [](const std::string& p) { return WriteLinkTo(p, "/nonexistent/q/x.db"); },
                    kInterrupted},
        LinkFailure{"TemporaryFileCannotBeMade",
                    [](const fs::path& d, const std::string&) {
                      return (d / "no-such-folder" / "x.udl").string();
                    },
                    nullptr,
                    "Creation and configuration of the Microsoft Data Link File: "
                    "No such file or directory"},
        LinkFailure{"EditorCannotStart",
                    [](const fs::path& d, const std::string&) { return (d / "x.udl").string(); },
                    [](const std::string&) { return EACCES; },
                    "Creation and configuration of the Microsoft Data Link File: "
                    "Permission denied"},
        LinkFailure{"RenameFails",
                    [](const fs::path& d, const std::string&) {
                      fs::create_directory(d / "taken.udl");
                      WriteBytes(d / "taken.udl" / "inside", "keep");
                      return (d / "taken.udl").string();
                    },
                    [](const std::string& p) {
                      return WriteLinkTo(p, (fs::path(p).parent_path() / "b.db").string());
                    },
                    "Is a directory"}),
    [](const auto& param) { return std::string(param.param.name); });

// --- Reading the provider key of a data link file ----------------------------------------------

struct ProviderCase {
  const char* name;
  std::string bytes;
  std::string expected;
};
void PrintTo(const ProviderCase& c, std::ostream* os) {
  *os << c.name;
}

class DataLinkProvider : public ::testing::TestWithParam<ProviderCase> {};

TEST_P(DataLinkProvider, ReadsTheProviderOfTheOledbSection) {
  const fs::path path =
      fs::temp_directory_path() / ("quillet-provider-" + std::string(GetParam().name) + ".udl");
  WriteBytes(path, GetParam().bytes);
  EXPECT_EQ(ReadDataLinkProvider(path.string()), GetParam().expected);
  fs::remove(path);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DataLinkProvider,
    ::testing::Values(
        ProviderCase{"Utf16AsWritten", DataLinkFileBytes("Provider=SQLite;Data Source=a.db"),
                     "SQLite"},
        ProviderCase{"EightBit", "[oledb]\r\n; comment\r\nprovider = MSDASQL.1\r\n", "MSDASQL.1"},
        ProviderCase{"Empty", "", ""},
        ProviderCase{"OtherSectionFirst", "[other]\r\nProvider=X\r\n[OLEDB]\r\nProvider=SQLite\r\n",
                     "SQLite"},
        ProviderCase{"NoProviderKey", "[oledb]\r\nData Source=a.db\r\n", ""},
        ProviderCase{"CommentedOut", "[oledb]\r\n;Provider=SQLite\r\n", ""}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace quillet::db
