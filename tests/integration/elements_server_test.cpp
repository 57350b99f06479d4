// The folder elements and the table element over the PostgreSQL and MariaDB ODBC drivers: the
// same tree, tables and views on both (their big tables' paging is the paging UI test); on
// PostgreSQL names that carry their schema, and activation that passes that whole text on as
// the table name; and one execution of the query per load, as the server's own statement log
// shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "elements/element_set.h"
#include "elements/job_cancel.h"
#include "odbc_test_support.h"
#include "tabledata/element_table.h"
#include "unit/elements/memory_tree.h"
#include "unit/elements/recording_services.h"

namespace quillet::test {
namespace {

template <class Server>
class ElementsOverServer : public Server {
 protected:
  void SetUp() override {
    Server::SetUp();
    if (this->HasFatalFailure()) return;
    session_ = this->opened_.session;
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

  // Loads `query` (the table's own when empty) into the table element.
  xElement_Table& Load(const std::string& name, const std::string& query = {}) {
    xElement_Table& table = *set_->TableElement(kSlotTable);
    table.SetName(name);
    ShowData request;
    request.query = query;
    request.reload = true;
    table.show_data(&request);
    table.EnsureRowCount();
    EXPECT_TRUE(services_.errors.empty()) << services_.errors[0];
    return table;
  }
  RecordingServices services_;
  SessionRef session_;
  JobCancel cancel_;
  std::unique_ptr<xElementSet> set_;
};

using ElementsPostgresTest = ElementsOverServer<db::testing::PgServerTest>;
using ElementsMariaDbTest = ElementsOverServer<db::testing::MariaDbServerTest>;

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

TEST_F(ElementsPostgresTest, OneLoadRunsTheQueryOnce) {
  const std::string log = std::string(std::getenv("QUILLET_PG_STATE")) + "/server.log";
  const auto logSize = std::filesystem::file_size(log);
  // A marker no other test's statement carries.
  const std::string marker =
      "load-" + std::to_string(::getpid()) + "-" +
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  xElement_Table& table = Load("public.big_table", "select * from big_table /* " + marker + " */");
  EXPECT_EQ(table.GetRowCount(), 100000);
  table.LoadPage(1);
  std::ifstream in(log);
  in.seekg(static_cast<std::streamoff>(logSize));
  std::stringstream added;
  added << in.rdbuf();
  const std::string text = added.str();
  std::size_t runs = 0;
  for (std::size_t at = text.find(marker); at != std::string::npos;
       at = text.find(marker, at + 1)) {
    ++runs;
  }
  EXPECT_EQ(runs, 1u) << text;
}

TEST_F(ElementsMariaDbTest, FoldersListTablesViewsAndRoutines) {
  const auto tables = Names(kSlotTables);
  EXPECT_TRUE(Has(tables, "customers"));
  EXPECT_TRUE(Has(tables, "big_table"));
  EXPECT_FALSE(Has(tables, "customer_names"));
  const auto views = Names(kSlotViews);
  EXPECT_TRUE(Has(views, "customer_names"));
  const auto procedures = Names(kSlotProcedures);
  EXPECT_TRUE(Has(procedures, "record_visit"));
}

}  // namespace
}  // namespace quillet::test
