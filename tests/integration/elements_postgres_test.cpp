// The folder elements and the table element over the PostgreSQL ODBC driver: names that carry
// their schema, and activation that passes that whole text on as the table name.

#include <gtest/gtest.h>

#include <algorithm>

#include "elements/element_set.h"
#include "elements/job_cancel.h"
#include "odbc_test_support.h"
#include "tabledata/element_table.h"
#include "unit/elements/memory_tree.h"
#include "unit/elements/recording_services.h"

namespace quillet::test {
namespace {

class ElementsPostgresTest : public db::testing::PgServerTest {
 protected:
  void SetUp() override {
    PgServerTest::SetUp();
    if (HasFatalFailure()) return;
    session_ = opened_.session;
    set_ = std::make_unique<xElementSet>(services_, &session_, &cancel_, nullptr);
  }
  std::vector<std::string> Names(int slot) {
    xElement& folder = *set_->Element(slot);
    ShowData request;
    folder.show_data(&request);
    EXPECT_TRUE(services_.errors.empty()) << services_.errors[0];
    std::vector<std::string> names;
    for (int i = 0; i < folder.GetRowCount(); ++i) names.push_back(folder.Text(i, 0));
    return names;
  }
  static bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  }

  RecordingServices services_;
  SessionRef session_;
  JobCancel cancel_;
  std::unique_ptr<xElementSet> set_;
};

TEST_F(ElementsPostgresTest, FoldersListSchemaQualifiedNames) {
  const auto tables = Names(kSlotTables);
  EXPECT_TRUE(Has(tables, "sales.orders"));
  EXPECT_TRUE(Has(tables, "sales.regions"));
  EXPECT_TRUE(Has(tables, "public.customers"));
  EXPECT_TRUE(Has(tables, "public.order items"));
  EXPECT_FALSE(Has(tables, "public.customer_names"));
  EXPECT_EQ(set_->Element(kSlotTables)->Text(0, 1), "TABLE");

  const auto views = Names(kSlotViews);
  EXPECT_TRUE(Has(views, "sales.order_totals"));
  EXPECT_TRUE(Has(views, "public.customer_names"));

  const auto procedures = Names(kSlotProcedures);
  EXPECT_TRUE(std::any_of(procedures.begin(), procedures.end(), [](const std::string& n) {
    return n.find("add_numbers") != std::string::npos;
  }));
}

TEST_F(ElementsPostgresTest, ActivatedSchemaNameLoadsTheTable) {
  Names(kSlotTables);
  MemoryTree tree;
  TreeItem folder = tree.InsertItem(0, {"Tables"});
  tree.selected = tree.InsertItem(folder, {"sales.orders"});
  ASSERT_EQ(set_->ActivateTreeItem(tree, true, true), std::optional<int>(kSlotTable));
  xElement_Table& table = *set_->TableElement(kSlotTable);
  ShowData request;
  table.show_data(&request);
  ASSERT_TRUE(services_.errors.empty()) << services_.errors[0];
  EXPECT_EQ(table.GetLastQuery(), "select * from sales.orders");
  EXPECT_EQ(table.GetRowCount(), 3);
  EXPECT_EQ(table.Text(0, 1), "10");
  EXPECT_EQ(table.Text(2, 4), "(NULL)");
}

}  // namespace
}  // namespace quillet::test
