// The registry export file, compared byte for byte.

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_export.h"
#include "config/registry_values.h"
#include "config_test_support.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RecordingSink : public ExportMessageSink {
 public:
  void ShowExportMessage(const std::string& text, const std::string& caption) override {
    shown.emplace_back(text, caption);
  }
  std::vector<std::pair<std::string, std::string>> shown;
};

std::string Format(std::uint32_t type, const Bytes& data) {
  return FormatValueData(type, data.data(), data.size());
}

Bytes Sequence(std::size_t count, std::uint8_t first) {
  Bytes bytes(count);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TEST(RegistryExport, FreshConfigurationMatchesTheExpectedFile) {
  testing::TempDir dir;
  RegistryStore store(dir.File("registry.db"));
  // What a first frame leaves behind: its pages read and written, its layout saved (the view
  // group with FirstStart 0) and the tip of the day offered.
  PageSet pages;
  BuildPageSet(pages, store);
  SettingsPage view = MakeViewGroup();
  view.SetValue(option::kFirstStart, 0);
  ASSERT_EQ(ExchangeView(kExchangeWrite, view, store), ERROR_SUCCESS);
  RegKey version;
  ASSERT_EQ(store.CreateKey(VersionKeyPath(), &version), ERROR_SUCCESS);
  WriteDword(version, option::kShowTipOfTheDay, 1);
  SaveConfiguration(pages, store);
  // The recent list lies beside the version key and is not exported.
  RegKey recent;
  ASSERT_EQ(store.CreateKey(KeyPath("\\Recent Document List"), &recent), ERROR_SUCCESS);
  WriteDword(recent, "DocumentCount", 4);
  // Every kind of value line.
  RegKey extra;
  ASSERT_EQ(version.CreateSubKey("Extra", &extra), ERROR_SUCCESS);
  extra.SetValue("", REG_SZ, "default text", 13);
  WriteDword(extra, "Answer", 42);
  extra.SetValue("Blob22", REG_BINARY, Sequence(22, 0x00));
  extra.SetValue("Blob60", REG_BINARY, Sequence(60, 0xc0));
  extra.SetValue("Empty", REG_BINARY, Bytes{});
  extra.SetValue("Expand", REG_EXPAND_SZ, "%HOME%\\x", 9);
  extra.SetValue("None", REG_NONE, Bytes{0xde, 0xad});
  const char quote[] = "He said \"hi\" \\ bye\0zz";
  extra.SetValue("Quote", REG_SZ, quote, sizeof quote - 1);
  RegKey notes;
  ASSERT_EQ(version.CreateSubKey("_Notes", &notes), ERROR_SUCCESS);
  notes.SetValue("Text", REG_SZ, "sorted after view", 18);

  RecordingSink sink;
  const std::string file = dir.File("out.reg");
  ASSERT_TRUE(ExportConfigurationFile(store, file, sink));
  EXPECT_TRUE(sink.shown.empty());
  EXPECT_EQ(testing::ReadFileBytes(file),
            testing::ReadFileBytes(std::string(QUILLET_CONFIG_TEST_DATA) + "/fresh_export.reg"));
}

TEST(RegistryExport, FormatsEveryType) {
  EXPECT_EQ(Format(REG_SZ, Bytes{'a', 'b'}), "\"ab\"\r\n");  // no terminating zero
  EXPECT_EQ(Format(REG_SZ, Bytes{}), "\"\"\r\n");
  EXPECT_EQ(Format(REG_DWORD, Bytes{0xef, 0xbe, 0xad, 0xde}), "dword:deadbeef\r\n");
  EXPECT_EQ(Format(REG_DWORD, Bytes{0x01}), "dword:00000001\r\n");
  EXPECT_EQ(Format(REG_BINARY, Bytes{0x0a}), "hex:0a,\r\n");
  EXPECT_EQ(Format(REG_MULTI_SZ, Bytes{'a', 0, 0}), "hex(7):61,00,00,\r\n");
  EXPECT_EQ(Format(REG_QWORD, Bytes{1}), "hex(11):01,\r\n");
  EXPECT_EQ(Format(REG_LINK, Bytes{}), "hex(6):\r\n");
  // 43 bytes: 22 on the first line, 21 on the second, then a line holding only the break.
  const std::string list = Format(REG_BINARY, Bytes(43, 0xff));
  std::string expected = "hex:";
  for (int i = 0; i < 43; ++i) {
    expected += "ff,";
    if (i == 21 || i == 42) expected += "\\\r\n";
  }
  expected += "\r\n";
  EXPECT_EQ(list, expected);
}

TEST(RegistryExport, WholeHiveAndMissingKeys) {
  testing::TempDir dir;
  RegistryStore store(":memory:");
  RegKey key;
  ASSERT_EQ(store.CreateKey("A\\B", &key), ERROR_SUCCESS);
  key.SetValue("v", REG_SZ, "1", 2);
  RecordingSink sink;
  const std::string file = dir.File("out.reg");

  ASSERT_TRUE(ExportRegistry(store, "HKEY_CURRENT_USER", "", file, sink));
  EXPECT_EQ(testing::ReadFileBytes(file),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER]\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
            "\r\n[HKEY_CURRENT_USER\\A\\B]\r\n\"v\" = \"1\"\r\n");

  // A key that cannot be opened for enumeration gives the "Error" line.
  ASSERT_TRUE(ExportRegistry(store, "HKEY_CURRENT_USER", "A\\Missing", file, sink));
  EXPECT_EQ(testing::ReadFileBytes(file),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\\Missing]\r\n\r\nError\r\n");
  ASSERT_TRUE(ExportRegistry(store, "HKEY_LOCAL_MACHINE", "A", file, sink));
  EXPECT_EQ(testing::ReadFileBytes(file),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\r\nError\r\n");
  EXPECT_TRUE(sink.shown.empty());
}

TEST(RegistryExport, FileThatCannotBeCreatedShowsTheBox) {
  testing::TempDir dir;
  RegistryStore store(":memory:");
  RecordingSink sink;
  const std::string file = dir.File("no/such/folder/out.reg");
  EXPECT_FALSE(ExportConfigurationFile(store, file, sink));
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].first, "Error while creating the file");
  EXPECT_EQ(sink.shown[0].second, "Registry export");
}

}  // namespace
}  // namespace quillet::config
