// The element set: its fixed slots, the tree it builds, how tree and list items resolve to
// elements and jobs, and the lazy children of the tree over a real SQLite file.

#include <gtest/gtest.h>

#include "datasource/cmlib_exception.h"
#include "elements/element_db.h"
#include "unit/elements/memory_tree.h"
#include "unit/tabledata/frame_fixture.h"

namespace quillet::test {
namespace {

struct SlotRow {
  int slot;
  const char* name;
  int parent;
  int child;  // GetChildSlot(0)
  int image;  // GetItemImage(0, 0)
  bool listSettings;
};

class ElementSlotTest : public ::testing::TestWithParam<SlotRow> {};

TEST_P(ElementSlotTest, MatchesTheSlotTable) {
  RecordingServices services;
  xElementSet set(services, nullptr, nullptr, nullptr);
  const SlotRow& row = GetParam();
  xElement* element = set.Element(row.slot);
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(element->OwnSlot(), row.slot);
  EXPECT_EQ(element->xElement::GetDisplayName(), row.name);
  EXPECT_EQ(element->GetParentSlot(), row.parent);
  EXPECT_EQ(element->GetChildSlot(0), row.child);
  EXPECT_EQ(element->GetItemImage(0, 0), row.image);
  EXPECT_EQ(element->HasListSettings(), row.listSettings);
  EXPECT_EQ(element->GetSqlTarget() != nullptr, row.slot >= 5);
  EXPECT_EQ(element->GetPager() != nullptr, row.slot >= 5);
}

INSTANTIATE_TEST_SUITE_P(Slots, ElementSlotTest,
                         ::testing::Values(SlotRow{1, "Data Base", -1, 2, 1, true},
                                           SlotRow{2, "Tables", 1, 5, 4, true},
                                           SlotRow{3, "Store Procedures", 1, -1, 5, true},
                                           SlotRow{4, "Table views", 1, 6, 6, true},
                                           SlotRow{5, "Table", 2, -1, -1, false},
                                           SlotRow{6, "View", 4, -1, -1, false}));

TEST(ElementSet, DatabaseElementListsTheThreeFolders) {
  RecordingServices services;
  xElementSet set(services, nullptr, nullptr, nullptr);
  xElement& db = *set.Element(kSlotDatabase);
  ASSERT_EQ(db.GetRowCount(), 3);
  EXPECT_EQ(db.Text(0, 0), "Tables");
  EXPECT_EQ(db.Text(1, 0), "Store Procedures");
  EXPECT_EQ(db.Text(2, 0), "Table views");
  EXPECT_EQ(db.Text(1, 1), "");
  EXPECT_EQ(db.Text(3, 0), "(EMPTY)");
  EXPECT_EQ(db.GetChildSlot(3), -1);
  EXPECT_EQ(db.GetItemImage(2, 0), 3);
  EXPECT_EQ(db.GetItemImage(2, 1), -1);

  ShowData request;
  db.show_data(&request);
  ASSERT_EQ(services.columns.size(), 1u);
  EXPECT_EQ(services.columns[0].title, "Name");
  EXPECT_EQ(services.columns[0].width, 300);
  db.show_data(nullptr);
  ASSERT_EQ(services.messages.size(), 1u);
  EXPECT_EQ(services.messages[0], "Fatal Error|xElement_DB::show_data(pShowData = NULL)");
}

TEST(ElementSet, BuildTreeMakesOneRootOrFails) {
  RecordingServices services;
  xElementSet set(services, nullptr, nullptr, nullptr);
  MemoryTree tree;
  tree.InsertItem(0, {"left over", 0, 0, false, false});
  set.BuildTree(tree);
  ASSERT_EQ(tree.top.size(), 1u);
  const auto& root = tree.nodes.at(tree.top[0]);
  EXPECT_EQ(root.spec.text, "Data Base");
  EXPECT_TRUE(root.spec.hasChildren);
  EXPECT_TRUE(root.spec.boldExpanded);
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

struct ResolveRow {
  const char* parent;  // "" for a top item
  const char* item;
  int slot;  // 0: nothing
  const char* name;
};

class ResolveTest : public ::testing::TestWithParam<ResolveRow> {};

TEST_P(ResolveTest, ByParentTextThenOwnText) {
  RecordingServices services;
  xElementSet set(services, nullptr, nullptr, nullptr);
  MemoryTree tree;
  const ResolveRow& row = GetParam();
  TreeItem parent = *row.parent ? tree.InsertItem(0, {row.parent}) : 0;
  TreeItem item = tree.InsertItem(parent, {row.item});
  auto resolved = set.Resolve(tree, item);
  if (row.slot == 0) {
    EXPECT_FALSE(resolved.has_value());
    return;
  }
  ASSERT_TRUE(resolved.has_value());
  EXPECT_EQ(resolved->slot, row.slot);
  EXPECT_EQ(resolved->name, row.name);
}

INSTANTIATE_TEST_SUITE_P(
    Items, ResolveTest,
    ::testing::Values(ResolveRow{"", "Data Base", 1, ""}, ResolveRow{"Data Base", "Tables", 2, ""},
                      ResolveRow{"Data Base", "Store Procedures", 3, ""},
                      ResolveRow{"Data Base", "Table views", 4, ""},
                      ResolveRow{"Data Base", "", 0, ""},
                      ResolveRow{"Data Base", "Something", 0, ""},
                      // Under "Tables" every item is a table, even one named like a folder.
                      ResolveRow{"Tables", "Tables", 5, "Tables"},
                      ResolveRow{"Tables", "sales.Orders", 5, "sales.Orders"},
                      ResolveRow{"Table views", "big view", 6, "big view"},
                      ResolveRow{"Store Procedures", "proc", 0, ""}, ResolveRow{"", "", 0, ""}));

TEST(ElementSet, ActivationGivesJobCodesOnlyWhenConnectedAndIdle) {
  RecordingServices services;
  xElementSet set(services, nullptr, nullptr, nullptr);
  MemoryTree tree;
  TreeItem tables = tree.InsertItem(0, {"Tables"});
  tree.selected = tree.InsertItem(tables, {"sales.Orders"});

  EXPECT_FALSE(set.ActivateTreeItem(tree, false, true).has_value());
  EXPECT_FALSE(set.ActivateTreeItem(tree, true, false).has_value());
  auto code = set.ActivateTreeItem(tree, true, true);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, kSlotTable);
  EXPECT_EQ(set.CurrentSlot(), kSlotTable);
  EXPECT_EQ(set.TableElement(kSlotTable)->GetName(), "sales.Orders");
  EXPECT_EQ(set.TableElement(kSlotTable)->GetDisplayName(), "Table: sales.Orders");

  // The data list: from the database, folder names; from a folder, the item's element.
  set.SetListSlot(kSlotDatabase);
  EXPECT_EQ(set.ActivateListItem("Table views", true), std::optional<int>(kSlotViews));
  EXPECT_EQ(set.ActivateListItem("Store Procedures", true), std::optional<int>(kSlotProcedures));
  EXPECT_FALSE(set.ActivateListItem("nothing", true).has_value());
  EXPECT_FALSE(set.ActivateListItem("Tables", false).has_value());
  set.SetListSlot(kSlotViews);
  EXPECT_EQ(set.ActivateListItem("v1", true), std::optional<int>(kSlotView));
  EXPECT_EQ(set.TableElement(kSlotView)->GetName(), "v1");
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
  EXPECT_TRUE(tree.nodes[tablesItem].spec.hasChildren);
  EXPECT_FALSE(tree.nodes[procItem].spec.hasChildren);
  EXPECT_EQ(tree.nodes[procItem].spec.image, kImageProceduresFolder);

  // Busy or the root: ignored.
  EXPECT_FALSE(frame.elements.OnItemExpanding(tree, tablesItem, true, true, false));
  EXPECT_FALSE(frame.elements.OnItemExpanding(tree, root, true, true, true));
  ASSERT_TRUE(frame.elements.OnItemExpanding(tree, tablesItem, true, true, true));
  EXPECT_EQ(frame.elements.CurrentSlot(), kSlotTables);
  const int count = frame.elements.OnItemChildren(tree, tablesItem, true);
  EXPECT_EQ(count, 6);  // rows250, rows100, rows60, rows0, "order lines", kinds
  const TreeItem blank = tree.Child(tablesItem, "order lines");
  ASSERT_NE(blank, 0u);
  EXPECT_EQ(tree.nodes[blank].spec.image, kImageTable);
  EXPECT_FALSE(tree.nodes[blank].spec.hasChildren);
  EXPECT_EQ(tree.Child(tablesItem, "small_rows"), 0u);  // a view is not a table
  EXPECT_EQ(tree.Child(tablesItem, "sqlite_master"), 0u);

  // Asked again while the folder holds its data: no new enumeration.
  const int bars = frame.services.progressBars;
  tree.nodes[tablesItem].children.clear();
  EXPECT_EQ(frame.elements.OnItemChildren(tree, tablesItem, true), 6);
  EXPECT_EQ(frame.services.progressBars, bars);

  // The procedures folder has no children in the tree.
  ASSERT_TRUE(frame.elements.OnItemExpanding(tree, procItem, true, true, true));
  EXPECT_EQ(frame.elements.OnItemChildren(tree, procItem, true), 0);
  EXPECT_FALSE(tree.HasChildItems(procItem));

  // Activating a table item under "Tables" names the table element.
  tree.selected = blank;
  EXPECT_EQ(frame.elements.ActivateTreeItem(tree, true, true), std::optional<int>(kSlotTable));
  EXPECT_EQ(frame.Table().GetName(), "order lines");
}

}  // namespace
}  // namespace quillet::test
