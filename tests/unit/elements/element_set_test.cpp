// The element set: its fixed slots, the tree it builds, how tree and list items resolve to
// elements and jobs, and the lazy children of the tree over a real SQLite file.

#include <gtest/gtest.h>

#include "datasource/cmlib_exception.h"
#include "elements/element_db.h"
#include "unit/elements/memory_tree.h"
#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

// An element set without a connection, and a tree to show it in.
class ElementSet : public ::testing::Test {
 protected:
  RecordingServices services;
  xElementSet set{services, nullptr, nullptr, nullptr};
  MemoryTree tree;
};

TEST_F(ElementSet, DatabaseElementListsTheFoldersAndOnlyTablesPage) {
  for (int slot = kSlotDatabase; slot <= kSlotView; ++slot)
    EXPECT_EQ(set.Element(slot)->GetPager() != nullptr, slot >= kSlotTable) << slot;
  xElement& db = *set.Element(kSlotDatabase);
  ASSERT_EQ(db.GetRowCount(), 3);
  EXPECT_EQ(db.Text(2, 0), "Table views");
  EXPECT_EQ(db.Text(3, 0), "(EMPTY)");
  EXPECT_EQ(db.GetChildSlot(3), -1);
  db.show_data(nullptr);
  EXPECT_EQ(services.messages,
            std::vector<std::string>{"Fatal Error|xElement_DB::show_data(pShowData = NULL)"});
}

TEST_F(ElementSet, BuildTreeMakesOneRootOrFails) {
  tree.InsertItem(0, {"left over", 0, 0, false, false});
  set.BuildTree(tree);
  ASSERT_EQ(tree.top.size(), 1u);
  EXPECT_EQ(tree.nodes.at(tree.top[0]).entry.text, "Data Base");
  EXPECT_EQ(set.Element(kSlotDatabase)->TreeItem(), tree.top[0]);
  tree.refuseInsert = true;
  try {
    set.BuildTree(tree);
    FAIL() << "no exception";
  } catch (const cmlib::exception& e) {
    EXPECT_EQ(e.text(),
              "Fatal error - HTREEITEM hti_root = TreeView_InsertItem(...); hti_root -- NULL");
  }
}

TEST_F(ElementSet, ResolvesByParentTextThenOwnText) {
  const struct {
    const char* parent;  // "" for a top item
    const char* item;
    int slot;  // 0: nothing
    const char* name;
  } rows[] = {{"", "Data Base", 1, ""},
              {"Data Base", "Tables", 2, ""},
              {"Data Base", "Store Procedures", 3, ""},
              {"Data Base", "Table views", 4, ""},
              {"Data Base", "", 0, ""},
              {"Data Base", "Something", 0, ""},
              // Under "Tables" every item is a table, even one named like a folder.
              {"Tables", "Tables", 5, "Tables"},
              {"Tables", "sales.Orders", 5, "sales.Orders"},
              {"Table views", "big view", 6, "big view"},
              {"Store Procedures", "proc", 0, ""},
              {"", "", 0, ""}};
  for (const auto& row : rows) {
    TreeItem parent = *row.parent ? tree.InsertItem(0, {row.parent}) : 0;
    auto resolved = set.Resolve(tree, tree.InsertItem(parent, {row.item}));
    EXPECT_EQ(resolved ? resolved->slot : 0, row.slot) << row.parent << "/" << row.item;
    EXPECT_EQ(resolved ? resolved->name : "", row.name) << row.parent << "/" << row.item;
  }
}

TEST_F(ElementSet, ActivationGivesJobCodesOnlyWhenConnectedAndIdle) {
  TreeItem tables = tree.InsertItem(0, {"Tables"});
  tree.selected = tree.InsertItem(tables, {"sales.Orders"});
  EXPECT_FALSE(set.ActivateTreeItem(tree, false, true).has_value());
  EXPECT_FALSE(set.ActivateTreeItem(tree, true, false).has_value());
  EXPECT_EQ(set.ActivateTreeItem(tree, true, true), std::optional<int>(kSlotTable));
  // The element shows the name once the job runs: until then it still names the place left.
  EXPECT_EQ(set.TableElement(kSlotTable)->ChosenName(), "sales.Orders");
  EXPECT_EQ(set.TableElement(kSlotTable)->GetDisplayName(), "Table");

  // The data list: from the database, folder names; from a folder, the item's element.
  set.SetListSlot(kSlotDatabase);
  EXPECT_EQ(set.ActivateListItem("Table views", true), std::optional<int>(kSlotViews));
  EXPECT_FALSE(set.ActivateListItem("nothing", true).has_value());
  EXPECT_FALSE(set.ActivateListItem("Tables", false).has_value());
  set.SetListSlot(kSlotViews);
  EXPECT_EQ(set.ActivateListItem("v1", true), std::optional<int>(kSlotView));
  EXPECT_EQ(set.TableElement(kSlotView)->ChosenName(), "v1");
  set.SetListSlot(kSlotProcedures);
  EXPECT_FALSE(set.ActivateListItem("proc", true).has_value());
}

// The tree over a real database: lazy children, images, expand buttons, no second enumeration.
TEST(ElementTreeChildren, FillOnDemandFromTheSchema) {
  FrameFixture frame(PagingDatabase());
  MemoryTree tree;
  frame.elements.BuildTree(tree);
  const TreeItem root = tree.top[0];
  frame.elements.SetCurrentSlot(kSlotDatabase);
  ASSERT_EQ(frame.elements.OnItemChildren(tree, root, true), 3);
  const TreeItem tablesItem = tree.Child(root, "Tables");
  const TreeItem procItem = tree.Child(root, "Store Procedures");
  ASSERT_NE(tablesItem, 0u);
  EXPECT_TRUE(tree.nodes[tablesItem].entry.hasChildren);
  EXPECT_FALSE(tree.nodes[procItem].entry.hasChildren);

  // Busy or the root: ignored.
  EXPECT_FALSE(frame.elements.OnItemExpanding(tree, tablesItem, true, true, false));
  EXPECT_FALSE(frame.elements.OnItemExpanding(tree, root, true, true, true));
  ASSERT_TRUE(frame.elements.OnItemExpanding(tree, tablesItem, true, true, true));
  EXPECT_EQ(frame.elements.CurrentSlot(), kSlotTables);
  EXPECT_EQ(frame.elements.OnItemChildren(tree, tablesItem, true),
            6);  // rows250, rows100, rows60, rows0, "order lines", kinds
  const TreeItem blank = tree.Child(tablesItem, "order lines");
  ASSERT_NE(blank, 0u);
  EXPECT_FALSE(tree.nodes[blank].entry.hasChildren);
  EXPECT_EQ(tree.Child(tablesItem, "small_rows"), 0u);  // a view is not a table

  // Asked again while the folder holds its data: no new enumeration.
  const int bars = frame.services.progressBars;
  tree.nodes[tablesItem].children.clear();
  EXPECT_EQ(frame.elements.OnItemChildren(tree, tablesItem, true), 6);
  EXPECT_EQ(frame.services.progressBars, bars);

  // Activating a table item under "Tables" names the table element.
  tree.selected = blank;
  EXPECT_EQ(frame.elements.ActivateTreeItem(tree, true, true), std::optional<int>(kSlotTable));
  EXPECT_EQ(frame.Table().ChosenName(), "order lines");
}

}  // namespace
}  // namespace quillet::test
