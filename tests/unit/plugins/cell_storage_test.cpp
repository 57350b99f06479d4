// Writing a table cell for the viewer plug-ins, against the demo database: the whole value
// arrives, whatever the list's cache holds of it, and a cell that cannot be written leaves no
// stream behind.

#include <gtest/gtest.h>

#include <cstring>

#include <cstdlib>

#include "datasource/text_convert.h"
#include "plugins/plugin_manager.h"
#include "plugins/table_plugins.h"
#include "unit/datasource/test_files.h"
#include "unit/plugins/plugin_test_support.h"
#include "unit/tabledata/frame_fixture.h"

namespace quillet::plugins {
namespace {

std::string DemoDb() {
  const char* path = std::getenv("QUILLET_DEMO_DB");
  return path != nullptr ? path : "";
}

// One value straight from SQLite, to compare with.
std::string Expected(const std::string& path, const std::string& sql) {
  return db::testing::QueryValue(path, sql).value_or("<no row>");
}

std::string Padded(const std::string& text) {
  return text + std::string(514 - text.size(), '\0');
}

class CellStorageTest : public testing::Test {
 protected:
  void Open(const std::string& path, const std::string& pluginFolder = "/nonexistent/plugins/") {
    SetPluginFolder(pluginFolder);
    frame_ = std::make_unique<test::FrameFixture>(path);
  }
  void SetUp() override {
    ASSERT_FALSE(DemoDb().empty());
    Open(DemoDb());
  }
  void TearDown() override {
    frame_.reset();
    SetPluginFolder("");
    EXPECT_EQ(PluginManager::Instance(), nullptr);
  }

  TablePlugins& HandOver() {
    return static_cast<TablePlugins&>(*frame_->Table().GetPluginHandOver());
  }
  int Column(const std::string& name) {
    const std::vector<ColumnInfo> columns = frame_->Table().Columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (columns[i].name == name) return static_cast<int>(i + 1);
    ADD_FAILURE() << "no column " << name;
    return -1;
  }
  // Writes the cell and returns the stream's content; `type` gets the hand-over type.
  std::string Write(int row, const std::string& column, std::uint32_t* type = nullptr) {
    BlobInfo info{};
    if (!HandOver().WriteCellToStorage(row, Column(column), &info)) {
      EXPECT_EQ(info.stream, nullptr);
      return "<failed>";
    }
    std::uint64_t position = 0;
    info.stream->vtbl->Seek(info.stream, 0, QUILLET_SEEK_CUR, &position);
    std::string bytes = test::ReadStream(info.stream);
    EXPECT_EQ(position, bytes.size()) << "the stream is handed over at the end of its data";
    if (type != nullptr) *type = info.type;
    HandOver().ReleaseCellStorage(&info);
    EXPECT_FALSE(HandOver().Storage().HasStream(kBlobStreamName));
    return bytes;
  }
  std::vector<std::string> Menu(int row, const std::string& column) {
    shell::MenuModel menu;
    HandOver().FillCellMenu(menu, row, Column(column));
    std::vector<std::string> items;
    for (const auto& item : menu.Items())
      items.push_back(item.separator ? "---" : (item.enabled ? "" : "gray ") + item.text);
    return items;
  }

  std::unique_ptr<test::FrameFixture> frame_;
};

TEST_F(CellStorageTest, LongTextArrivesWholeThoughTheListHoldsLittle) {
  frame_->ShowTable("documents");
  ASSERT_EQ(frame_->Table().Text(1, Column("body")), "(TEXT)");
  std::uint32_t type = 0;
  const std::string english = Write(1, "body", &type);
  EXPECT_EQ(type, 129u);
  EXPECT_EQ(english, Expected(DemoDb(), "select body from documents where id = 2"));
  EXPECT_EQ(db::Utf8ToUtf16(english).size(), 100000u);
  EXPECT_EQ(Write(2, "body"), Expected(DemoDb(), "select body from documents where id = 3"));
  EXPECT_EQ(Write(2, "raw", &type), std::string("\x01\x02\x03"));
  EXPECT_EQ(type, 128u);
  EXPECT_TRUE(frame_->services.errors.empty());
}

TEST_F(CellStorageTest, ShortCellsGiveTheInlineBufferAsText) {
  frame_->ShowTable("all_types");
  std::uint32_t type = 0;
  EXPECT_EQ(Write(0, "code", &type), Padded("ABC"));
  EXPECT_EQ(type, 129u);
  // Numbers arrive as the provider's text.
  EXPECT_EQ(Write(0, "int_value", &type), Padded("42"));
  EXPECT_EQ(type, 129u);
  EXPECT_EQ(Write(1, "big_value", &type), Padded("-9223372036854775808"));
  // Short binary keeps its own length: no zero fill is taken for data.
  EXPECT_EQ(Write(0, "bytes", &type),
            std::string("\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB\xCC\xDD\xEE\xFF", 16));
  EXPECT_EQ(type, 128u);
}

TEST_F(CellStorageTest, RowOfALaterPageIsTheRowsetsRow) {
  frame_->ShowTable("events");
  frame_->Table().LoadPage(2);
  ASSERT_EQ(frame_->Table().GetCurrentPage(), 2);
  EXPECT_EQ(Write(5, "id"), Padded("206"));
  EXPECT_EQ(Write(0, "level"),
            Padded(Expected(DemoDb(), "select level from events where id = 201")));
}

TEST_F(CellStorageTest, NullAndOutOfRangeCellsFailSilentlyWithoutStream) {
  frame_->ShowTable("documents");
  EXPECT_EQ(Write(0, "raw"), "<failed>");       // a null long value
  EXPECT_EQ(Write(5, "language"), "<failed>");  // a null short value
  BlobInfo info{};
  for (auto [row, column] : {std::pair{-1, 1}, {0, 0}, {0, -1}, {0, 99}, {6, 1}, {150, 1}}) {
    EXPECT_FALSE(HandOver().WriteCellToStorage(row, column, &info)) << row << "," << column;
    EXPECT_EQ(info.stream, nullptr);
  }
  EXPECT_FALSE(HandOver().WriteCellToStorage(0, 1, nullptr));
  EXPECT_FALSE(HandOver().Storage().HasStream(kBlobStreamName));
  EXPECT_TRUE(frame_->services.errors.empty());
  EXPECT_EQ(Menu(0, "raw"), std::vector<std::string>{}) << "no menu is built for a null cell";
}

TEST_F(CellStorageTest, ASecondWriteReplacesTheStream) {
  frame_->ShowTable("documents");
  BlobInfo info{};
  ASSERT_TRUE(HandOver().WriteCellToStorage(1, Column("body"), &info));
  ASSERT_TRUE(HandOver().WriteCellToStorage(0, Column("title"), &info));
  EXPECT_EQ(test::ReadStream(info.stream), Padded("Short note"));
  std::uint64_t size = 0;
  StreamSize(info.stream, &size);
  EXPECT_EQ(size, 514u);
  HandOver().ReleaseCellStorage(&info);
  EXPECT_EQ(info.stream, nullptr);
  EXPECT_FALSE(HandOver().Storage().HasStream(kBlobStreamName));
}

TEST_F(CellStorageTest, AValueCutAtTheInlineLimitArrivesWhole) {
  frame_->RunQuery("select id, substr(body, 1, 3000) as part from documents");
  ASSERT_EQ(frame_->Table().Text(1, Column("part")), "(TEXT)");
  std::uint32_t type = 0;
  const std::string bytes = Write(1, "part", &type);
  ASSERT_EQ(type, 129u);
  EXPECT_EQ(bytes, Expected(DemoDb(), "select substr(body, 1, 3000) from documents where id = 2"));
}

TEST_F(CellStorageTest, AProviderFailureIsReportedAndLeavesNoStream) {
  frame_->ShowTable("documents");
  frame_->Table().SetLastQuery("select body from no_such_table");
  EXPECT_EQ(Write(1, "body"), "<failed>");
  ASSERT_EQ(frame_->services.errors.size(), 1u);
  EXPECT_EQ(frame_->services.errors[0].rfind("Trying to get the data from a field: ", 0), 0u)
      << frame_->services.errors[0];
}

// The cell menus without modules are the plug-in loading tests'.
TEST_F(CellStorageTest, WithoutModulesTheTextViewerShowsTheWholeValue) {
  frame_->ShowTable("documents");
  test::RecordingPluginUi ui;
  HandOver().RunPluginCommand(kFirstInternalId, 1, Column("body"));
  ASSERT_EQ(ui.texts.size(), 1u);
  EXPECT_EQ(ui.texts[0], Expected(DemoDb(), "select body from documents where id = 2"));
  HandOver().RunPluginCommand(kFirstInternalId + 5, 1, Column("body"));  // no such plug-in
  EXPECT_EQ(ui.texts.size(), 1u);
  EXPECT_FALSE(HandOver().Storage().HasStream(kBlobStreamName));
}

TEST_F(CellStorageTest, AnAcceptAllModuleAloneServesBinaryCells) {
  test::TempFolder folder;
  const std::string module = folder.AddModule("accept_all", "viewer.blob");
  frame_.reset();
  Open(DemoDb(), folder.Path());
  frame_->ShowTable("documents");
  EXPECT_EQ(Menu(2, "raw"), std::vector<std::string>{"Accept-all viewer"});
  EXPECT_EQ(Menu(1, "body"),
            (std::vector<std::string>{"Show as a simple text", "---", "Accept-all viewer"}));
  // Both table elements share one manager.
  EXPECT_EQ(PluginManager::Users(), 2);
  test::FakeModule fake(module);
  test::RecordingPluginUi ui;
  HandOver().RunPluginCommand(kFirstModuleId, 2, Column("raw"));
  EXPECT_EQ(fake.Shown(), std::string("\x01\x02\x03"));
}

TEST_F(CellStorageTest, AValueLongerThanItsDeclaredSizeArrivesWhole) {
  frame_.reset();
  Open(test::PagingDatabase());
  frame_->ShowTable("kinds");
  // VARCHAR(1000) holding 2000 characters, and VARCHAR(300) holding 600.
  EXPECT_EQ(Write(2, "long_char"), std::string(2000, 'y'));
  EXPECT_EQ(Write(2, "short_text"), std::string(600, 'x'));
  EXPECT_EQ(Write(0, "long_char"), "a long one");
}

}  // namespace
}  // namespace quillet::plugins
