// The registry export file, compared byte for byte.

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "config/registry_export.h"
#include "config/registry_values.h"
#include "config_test_support.h"

namespace quillet::config {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct RecordingSink : ExportMessageSink {
  void ShowExportMessage(const std::string& text, const std::string& caption) override {
    shown.push_back(text + "|" + caption);
  }
  std::vector<std::string> shown;
};

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
  EXPECT_EQ(testing::ReadBytes(file),
            testing::ReadBytes(std::string(QUILLET_CONFIG_TEST_DATA) + "/fresh_export.reg"));
}

TEST(RegistryExport, FormatsTypesTheFileDoesNotHold) {
  const struct {
    std::uint32_t type;
    Bytes data;
    const char* line;
  } cases[] = {{REG_SZ, {}, "\"\"\r\n"},
               {REG_DWORD, {0x01}, "dword:00000001\r\n"},  // short data: zero-padded
               {REG_MULTI_SZ, {'a', 0, 0}, "hex(7):61,00,00,\r\n"},
               {REG_QWORD, {1}, "hex(11):01,\r\n"},
               {REG_LINK, {}, "hex(6):\r\n"}};
  for (const auto& c : cases)
    EXPECT_EQ(FormatValueData(c.type, c.data.data(), c.data.size()), c.line) << c.type;
}

TEST(RegistryExport, WholeHiveAndKeysThatCannotBeRead) {
  testing::TempDir dir;
  RegistryStore store(":memory:");
  RegKey key;
  ASSERT_EQ(store.CreateKey("A\\B", &key), ERROR_SUCCESS);
  key.SetValue("v", REG_SZ, "1", 2);
  RecordingSink sink;
  const std::string file = dir.File("out.reg");
  const struct {
    const char* root;
    const char* key;
    const char* file;
  } cases[] = {
      {"HKEY_CURRENT_USER", "",
       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER]\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
       "\r\n[HKEY_CURRENT_USER\\A\\B]\r\n\"v\" = \"1\"\r\n"},
      // A key that cannot be opened for enumeration gives the "Error" line.
      {"HKEY_CURRENT_USER", "A\\Missing",
       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A\\Missing]\r\n\r\nError\r\n"},
      {"HKEY_LOCAL_MACHINE", "A", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\r\nError\r\n"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(ExportRegistry(store, c.root, c.key, file, sink));
    EXPECT_EQ(testing::ReadBytes(file), c.file) << c.root << "\\" << c.key;
  }
  EXPECT_TRUE(sink.shown.empty());
}

TEST(RegistryExport, FileThatCannotBeCreatedShowsTheBox) {
  testing::TempDir dir;
  RegistryStore store(":memory:");
  RecordingSink sink;
  EXPECT_FALSE(ExportConfigurationFile(store, dir.File("no/such/folder/out.reg"), sink));
  EXPECT_EQ(sink.shown, std::vector<std::string>{"Error while creating the file|Registry export"});
}

}  // namespace
}  // namespace quillet::config
