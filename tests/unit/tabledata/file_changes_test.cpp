// A SQLite file that changes underneath a shown table, and while the table loads: deleted,
// truncated to half, replaced by another database, made unreadable. Every page turn, jump,
// count and refresh ends; a failure reaches the report log as one line; the other database's
// rows never appear under the table's name.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "file_permissions.h"
#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

constexpr int kRows = 20'000;

// 20,000 rows of a few hundred bytes each: the file is much larger than what one page reads,
// so half of it holds rows no cache has seen.
std::string ItemsDatabase(const std::string& name, const std::string& label) {
  return MakeDatabase(name,
                      "CREATE TABLE items(id INTEGER PRIMARY KEY, label TEXT);"
                      "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT " +
                          std::to_string(kRows) + ") INSERT INTO items SELECT x, '" + label +
                          " ' || x || ' ' || printf('%.300c', 'x') FROM c;");
}

struct FileChange {
  const char* name;
  std::function<void(const std::string& path)> apply;
  // Only a change to the file itself reaches an open connection: the others leave it reading
  // the file it opened, which is still there for it.
  bool failsReads = false;
};

const FileChange kChanges[] = {
    {"Deleted", [](const std::string& path) { std::filesystem::remove(path); }},
    {"TruncatedToHalf",
     [](const std::string& path) {
       ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(std::filesystem::file_size(path) / 2)),
                 0);
     },
     true},
    {"ReplacedByAnotherDatabase",
     [](const std::string& path) {
       const std::string other = path + ".other";
       std::filesystem::copy_file(ItemsDatabase("file_changes_other.db", "other"), other);
       std::filesystem::rename(other, path);
     }},
    {"MadeUnreadable", [](const std::string& path) { ASSERT_EQ(::chmod(path.c_str(), 0), 0); }},
};

class FileChanges : public ::testing::TestWithParam<FileChange> {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("quillet-file-changes-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    path_ = folder_ + "/items.db";
    std::filesystem::remove(path_);
    std::filesystem::copy_file(ItemsDatabase("file_changes_items.db", "item"), path_);
  }
  void TearDown() override {
    ::chmod(path_.c_str(), 0600);
    std::filesystem::remove_all(folder_);
  }

  // Whatever the table shows is this file's: rows of "item", never of "other".
  static void ExpectOwnRows(FrameFixture& frame) {
    xElement_Table& table = frame.Table();
    for (int row = 0; row < table.GetRowsInPage(); ++row) {
      const std::string label = table.Text(row, 2);
      ASSERT_EQ(label.rfind("item ", 0), 0u) << "row " << row << ": " << label.substr(0, 20);
    }
  }
  static void ExpectOneLineErrors(const FrameFixture& frame) {
    for (const std::string& error : frame.services.errors) {
      EXPECT_FALSE(error.empty());
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
  }

  std::string folder_;
  std::string path_;
  FileModesApply modes_;  // so chmod 000 holds for root too
};

TEST_P(FileChanges, WhileTheTableIsShown) {
  FrameFixture frame(path_);
  frame.ShowTable("items");
  ASSERT_EQ(frame.Table().GetRowCount(), kRows);
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  ExpectOwnRows(frame);

  GetParam().apply(path_);
  // Pages the cache has not seen: the next one, the last one, one in the middle.
  frame.RunPage({PageJob::Target::Page, 1});
  ExpectOwnRows(frame);
  frame.RunPage({PageJob::Target::Last, 0});
  ExpectOwnRows(frame);
  frame.RunPage({PageJob::Target::Row, kRows / 2});
  ExpectOwnRows(frame);
  // Refresh: the table again from this connection.
  auto refresh = std::make_unique<ShowData>();
  refresh->reload = true;
  refresh->redrawColumns = true;
  frame.RunJob(kSlotTable, std::move(refresh));
  frame.Table().EnsureRowCount();
  ExpectOwnRows(frame);
  EXPECT_TRUE(frame.worker.IsIdle());
  EXPECT_EQ(frame.services.errors.empty(), !GetParam().failsReads);
  ExpectOneLineErrors(frame);
}

TEST_P(FileChanges, WhileTheTableLoads) {
  FrameFixture frame(path_);
  frame.elements.TableElement(kSlotTable)->ChooseName("items");
  frame.worker.SetJobCode(kSlotTable);
  frame.worker.Start();
  GetParam().apply(path_);
  frame.worker.Join();
  // The count and a deep page, both reading rows the first page never did.
  frame.Table().EnsureRowCount();
  frame.RunPage({PageJob::Target::Row, kRows - 10});
  ExpectOwnRows(frame);
  EXPECT_TRUE(frame.worker.IsIdle());
  EXPECT_FALSE(frame.Table().CountRunning());
  ExpectOneLineErrors(frame);
}

INSTANTIATE_TEST_SUITE_P(Files, FileChanges, ::testing::ValuesIn(kChanges),
                         [](const auto& change) { return std::string(change.param.name); });

}  // namespace
}  // namespace quillet::test
