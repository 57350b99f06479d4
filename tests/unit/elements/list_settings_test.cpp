// Per-element list settings: what a fresh store gives, what saving writes, and which values
// are in effect with and without individual settings.

#include <gtest/gtest.h>

#include "config/registry_values.h"
#include "elements/element_set.h"
#include "unit/elements/recording_services.h"

namespace quillet::test {
namespace {

class ListSettingsTest : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> Stored(int slot, const char* name) {
    config::RegKey key;
    std::vector<std::uint8_t> data;
    if (store_.OpenKey(ListSettingsKeyPath(slot), &key) == config::ERROR_SUCCESS)
      key.QueryValue(name, nullptr, &data);
    return data;
  }

  config::RegistryStore store_{":memory:"};
  RecordingServices services_;
};

TEST_F(ListSettingsTest, FreshStoreLoadsNothingAndSavingWritesTheFourFolders) {
  {
    xElementSet set(services_, nullptr, nullptr, &store_);
    EXPECT_EQ(set.Element(kSlotTables)->ListViewStyle(), 0u);
    set.Element(kSlotTables)->SetListViewStyle(1);
    set.Element(kSlotTables)->SetExtendedListStyle(32);
  }  // saved here
  for (int slot = kSlotDatabase; slot <= kSlotViews; ++slot) {
    EXPECT_EQ(Stored(slot, "ListViewStyles"), config::EncodeOptionNumber(slot == kSlotTables))
        << "slot " << slot;
  }
  EXPECT_EQ(Stored(kSlotTables, "m_dwListViewStylesEx"), config::EncodeOptionNumber(32));
  // The table and view elements keep nothing.
  EXPECT_TRUE(Stored(kSlotTable, "ListViewStyles").empty());
  EXPECT_TRUE(Stored(kSlotView, "ListViewStyles").empty());

  xElementSet again(services_, nullptr, nullptr, &store_);
  EXPECT_EQ(again.Element(kSlotTables)->ListViewStyle(), 1u);
  EXPECT_EQ(again.Element(kSlotTables)->ExtendedListStyle(), 32u);
  EXPECT_EQ(again.Element(kSlotViews)->ListViewStyle(), 0u);
}

TEST(EffectiveListSettings, FollowTheIndividualOption) {
  RecordingServices services;
  xElementSet set(services, nullptr, nullptr, nullptr);
  set.Element(kSlotDatabase)->SetListViewStyle(0);
  set.Element(kSlotTables)->SetListViewStyle(1);
  set.Element(kSlotTables)->SetExtendedListStyle(4);

  set.SetUseIndividualProp(true);
  EXPECT_EQ(set.EffectiveListSettings(kSlotTables).viewStyle, 1u);
  EXPECT_EQ(set.EffectiveListSettings(kSlotTables).extendedStyle, 4u);
  set.SetUseIndividualProp(false);
  EXPECT_EQ(set.EffectiveListSettings(kSlotTables).viewStyle, 0u);
  EXPECT_EQ(set.EffectiveListSettings(kSlotTables).extendedStyle, 0u);
  // Elements without list settings always use their own (zero) values.
  set.Element(kSlotDatabase)->SetListViewStyle(3);
  EXPECT_EQ(set.EffectiveListSettings(kSlotTable).viewStyle, 0u);
  EXPECT_EQ(set.EffectiveListSettings(kSlotViews).viewStyle, 3u);

  // The style command writes the list slot's own value and gives the list the effective one.
  set.SetUseIndividualProp(true);
  set.SetListSlot(kSlotViews);
  set.ApplyListStyle(2);
  EXPECT_EQ(set.Element(kSlotViews)->ListViewStyle(), 2u);
  EXPECT_EQ(services.viewStyle, 2u);
  set.SetListSlot(kSlotTable);
  set.ApplyListStyle(1);
  EXPECT_EQ(set.Element(kSlotTable)->ListViewStyle(), 0u);
}

}  // namespace
}  // namespace quillet::test
