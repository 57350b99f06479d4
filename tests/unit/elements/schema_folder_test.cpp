// The folder elements: what they read from the schema, the texts they show while reading, and
// how a failing provider ends in the report log.

#include <gtest/gtest.h>

#include "datasource/error_info.h"
#include "datasource/memory_rowset.h"
#include "elements/element_folders.h"
#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

TEST(SchemaFolder, TablesFolderReadsRecordsAndReportsEachRow) {
  FrameFixture frame(PagingDatabase());
  auto& tables = static_cast<xElementTables&>(*frame.elements.Element(kSlotTables));
  ShowData request;
  tables.show_data(&request);
  ASSERT_TRUE(frame.services.errors.empty()) << frame.services.errors[0];
  ASSERT_TRUE(tables.HasData());
  ASSERT_EQ(tables.GetRowCount(), 6);

  ASSERT_EQ(frame.services.columns.size(), 5u);
  EXPECT_EQ(frame.services.columns[0].title, "Name");

  // Every row's record; the provider gives no schema, so names are bare.
  std::vector<std::string> names;
  for (int i = 0; i < tables.GetRowCount(); ++i) {
    names.push_back(tables.Text(i, 0));
    EXPECT_EQ(tables.Text(i, 1), "TABLE");
    EXPECT_EQ(tables.Text(i, 2), "");
    EXPECT_EQ(tables.Text(i, 3), "main");
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "order lines"), names.end());
  EXPECT_EQ(tables.Text(99, 0), "(EMPTY)");

  // The status text names each row as it is read; the bar ends full and hidden.
  const std::string enumerate = "Receives the elements count and enumerates elements: ";
  EXPECT_TRUE(frame.services.HasStep(enumerate + " 3/\"" + names[2] + "\"", 30));
  EXPECT_EQ(frame.services.steps.back().position, 100);
  EXPECT_EQ(frame.services.hiddenBars, 1);

  // Loaded: showing again only redraws the columns; reload reads again.
  const int bars = frame.services.progressBars;
  tables.show_data(&request);
  EXPECT_EQ(frame.services.progressBars, bars);
  EXPECT_EQ(frame.services.columns.size(), 5u);
  request.reload = true;
  tables.show_data(&request);
  EXPECT_EQ(frame.services.progressBars, bars + 1);
  EXPECT_EQ(tables.GetRowCount(), 6);
}

TEST(SchemaFolder, ViewsAndProceduresUseTheirOwnFilterAndColumns) {
  FrameFixture frame(PagingDatabase());
  xElement& views = *frame.elements.Element(kSlotViews);
  ShowData request;
  views.show_data(&request);
  ASSERT_EQ(views.GetRowCount(), 1);
  EXPECT_EQ(views.Text(0, 0), "small_rows");
  EXPECT_EQ(views.Text(0, 1), "VIEW");

  xElement& procedures = *frame.elements.Element(kSlotProcedures);
  procedures.show_data(&request);
  EXPECT_TRUE(procedures.HasData());
  EXPECT_EQ(procedures.GetRowCount(), 0);
  EXPECT_EQ(frame.services.columns.size(), 6u);
  EXPECT_TRUE(frame.services.errors.empty());
}

// A session whose schema rowsets fail as told: at opening, or after some rows.
class FailingRowset final : public db::RowsetBase {
 public:
  FailingRowset(std::vector<std::vector<db::CellValue>> rows, std::size_t failAt)
      : rows_(std::move(rows)), failAt_(failAt) {
    using db::SchemaColumn;
    SetColumns({SchemaColumn(u"TABLE_CATALOG", db::DBTYPE_WSTR, 128),
                SchemaColumn(u"TABLE_SCHEMA", db::DBTYPE_WSTR, 128),
                SchemaColumn(u"TABLE_NAME", db::DBTYPE_WSTR, 128),
                SchemaColumn(u"TABLE_TYPE", db::DBTYPE_WSTR, 128),
                SchemaColumn(u"TABLE_GUID", db::DBTYPE_GUID, 16),
                SchemaColumn(u"DESCRIPTION", db::DBTYPE_WSTR, 128)});
  }
  const char* ProviderName() const override { return "Test"; }

 protected:
  db::HRESULT DoRestart() override {
    next_ = 0;
    return db::S_OK;
  }
  db::HRESULT DoNext() override {
    if (next_ == failAt_) return db::RaiseError(db::E_FAIL, "disk went away", "Test");
    if (next_ >= rows_.size()) return db::DB_S_ENDOFROWSET;
    current_ = next_++;
    return db::S_OK;
  }
  db::HRESULT DoReadValue(std::size_t ordinal, db::CellValue* value) override {
    *value = rows_[current_][ordinal - 1];
    return db::S_OK;
  }

 private:
  std::vector<std::vector<db::CellValue>> rows_;
  std::size_t failAt_;
  std::size_t next_ = 0;
  std::size_t current_ = 0;
};

class FakeSession : public db::ISession {
 public:
  db::HRESULT GetSchemaRowset(const db::Guid&, const db::Restrictions& restrictions,
                              std::shared_ptr<db::IRowset>* rowset) override {
    lastRestrictions = restrictions;
    if (refuse) return db::RaiseError(db::DB_E_NOTSUPPORTED, "no such schema", "Test");
    using db::CellValue;
    *rowset = std::make_shared<FailingRowset>(
        std::vector<std::vector<CellValue>>{
            {CellValue::Text("cat"), CellValue::Text("sales"), CellValue::Text("Orders"),
             CellValue::Text("TABLE"), CellValue::Null(), CellValue::Text("all orders")},
            {CellValue::Text("cat"), CellValue::Null(), CellValue::Text("Items"),
             CellValue::Text("TABLE"), CellValue::Null(), CellValue::Null()},
            {CellValue::Text("cat"), CellValue::Null(), CellValue::Text("Never"),
             CellValue::Text("TABLE"), CellValue::Null(), CellValue::Null()}},
        failAt);
    return db::S_OK;
  }
  db::HRESULT CreateCommand(std::shared_ptr<db::ICommand>*) override { return db::E_NOTIMPL; }

  bool refuse = false;
  std::size_t failAt = 99;
  db::Restrictions lastRestrictions;
};

// The tables folder over the fake session, shown once.
struct FolderWithFakeSession {
  FolderWithFakeSession(bool refuse, std::size_t failAt)
      : fake(std::make_shared<FakeSession>()), session(fake) {
    fake->refuse = refuse;
    fake->failAt = failAt;
    ShowData request;
    Tables().show_data(&request);
  }
  xElement& Tables() { return *set.Element(kSlotTables); }
  RecordingServices services;
  std::shared_ptr<FakeSession> fake;
  SessionRef session;
  xElementSet set{services, &session, nullptr, nullptr};
};

TEST(SchemaFolderFailure, OpeningFailureReportsItsContextAndStaysEmpty) {
  FolderWithFakeSession f(true, 99);
  EXPECT_EQ(f.services.errors,
            std::vector<std::string>{"Trying to receive the information about "
                                     "elements (table/view/etc.): no such schema"});
  EXPECT_FALSE(f.Tables().HasData());
  EXPECT_EQ(f.services.steps.back().position, 100);
  EXPECT_EQ(f.services.hiddenBars, 1);
  // Only the table type is restricted.
  ASSERT_EQ(f.fake->lastRestrictions.size(), 4u);
  EXPECT_FALSE(f.fake->lastRestrictions[0].has_value());
  EXPECT_EQ(f.fake->lastRestrictions[3], std::optional<std::u16string>(u"TABLE"));
}

TEST(SchemaFolderFailure, FetchFailureReportsItsContextAndShowsNoItems) {
  FolderWithFakeSession f(false, 2);
  EXPECT_EQ(f.services.errors,
            std::vector<std::string>{"Trying to get the information about an "
                                     "element (table/view/etc.): disk went away"});
  // Loaded, with the records read so far, but no items shown.
  EXPECT_TRUE(f.Tables().HasData());
  EXPECT_EQ(f.Tables().GetRowCount(), 0);
  EXPECT_EQ(f.Tables().Text(0, 0), "sales.Orders");  // schema-qualified
  EXPECT_EQ(f.Tables().Text(0, 4), "all orders");
  EXPECT_EQ(f.Tables().Text(1, 0), "Items");
}

}  // namespace
}  // namespace quillet::test
