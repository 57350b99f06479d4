// Data link files: the platform's own UTF-16 form byte for byte, other encodings, and the
// failures a user meets when opening one.

#include <gtest/gtest.h>

#include "datasource/error_text.h"
#include "datasource/provider_ops.h"
#include "datasource/text_convert.h"
#include "datasource/udl_file.h"
#include "test_files.h"

namespace quillet::db {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// UTF-16LE bytes of ASCII text, built by hand as the original editor writes them.
std::string Wide(const std::string& ascii) {
  std::string out;
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

const char* const kInit =
    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
    "Initial Catalog=Northwind;Data Source=(local)";

std::string PlatformBytes() {
  return "\xFF\xFE" + Wide("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n") +
         Wide(kInit) + Wide("\r\n");
}

TEST(DataLinkFile, WritesThePlatformsFormByteForByte) {
  EXPECT_EQ(DataLinkFileBytes(kInit), PlatformBytes());
  TempFolder folder;
  const std::string path = folder.File("a.udl");
  std::string error;
  ASSERT_TRUE(WriteDataLinkFile(path, kInit, &error)) << error;
  EXPECT_EQ(ReadBytes(path), PlatformBytes());
}

TEST(DataLinkFile, NonAsciiSurvivesWriteAndRead) {
  TempFolder folder;
  const std::string path = folder.File("Łódź 東京.udl");
  const std::string init = "Provider=SQLite;Data Source=\"/data/Zoë's 🌸.db\"";
  ASSERT_TRUE(WriteDataLinkFile(path, init, nullptr));
  std::string back, error;
  ASSERT_TRUE(ReadDataLinkFile(path, &back, &error)) << error;
  EXPECT_EQ(back, init);
  EXPECT_EQ(DataLinkProviderName(path), "SQLite");
}

struct EncodingCase {
  const char* name;
  std::string bytes;
  std::string expected;
};

class DataLinkEncodings : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(DataLinkEncodings, ReadsTheString) {
  std::string init, error;
  ASSERT_TRUE(ParseDataLinkBytes(GetParam().bytes, &init, &error)) << error;
  EXPECT_EQ(init, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataLinkEncodings,
    ::testing::Values(
        EncodingCase{"PlatformUtf16", PlatformBytes(), kInit},
        EncodingCase{
            "Utf8Bom",
            "\xEF\xBB\xBF[oledb]\r\n; comment\r\nProvider=SQLite;Data Source=Zo\xC3\xAB.db\r\n",
            "Provider=SQLite;Data Source=Zo\xC3\xAB.db"},
        EncodingCase{"Utf8LinuxLines", "[oledb]\n; comment\nProvider=SQLite;Data Source=a.db\n",
                     "Provider=SQLite;Data Source=a.db"},
        EncodingCase{"Ansi", "[oledb]\r\n; c\r\nProvider=SQLite;Data Source=caf\xE9.db\r\n",
                     "Provider=SQLite;Data Source=caf\xC3\xA9.db"},
        EncodingCase{"Utf16NoBom", Wide("[oledb]\r\nProvider=SQLite\r\n"), "Provider=SQLite"},
        EncodingCase{"SectionCaseAndBlankLines",
                     "[OLEDB]\r\n\r\n;x\r\n  Provider=X  \r\n[next]\r\n", "Provider=X"},
        EncodingCase{"EmptyAfterCancelledEdit", "\xFF\xFE" + Wide("[oledb]\r\n; c\r\n"), ""}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(DataLinkFile, FileWithoutOledbSectionFailsClearly) {
  TempFolder folder;
  const std::string path = folder.File("notes.udl");
  WriteBytes(path, "[general]\r\nProvider=SQLite\r\n");
  std::string init, error;
  EXPECT_FALSE(ReadDataLinkFile(path, &init, &error));
  EXPECT_EQ(error, "\"" + path + "\" is not a data link file: it has no [oledb] section");
  EXPECT_EQ(DataLinkProviderName(path), "");
}

TEST(DataLinkFile, ProviderNameOfTheOledbSection) {
  const std::pair<std::string, std::string> files[] = {
      {"[oledb]\r\n; comment\r\nprovider = MSDASQL.1\r\n", "MSDASQL.1"},
      {"[other]\r\nProvider=X\r\n[OLEDB]\r\nProvider=SQLite\r\n", "SQLite"},
      {"[oledb]\r\nData Source=a.db\r\n", ""},
      {"[oledb]\r\n;Provider=SQLite\r\n", ""},
      {"", ""}};
  TempFolder folder;
  const std::string path = folder.File("p.udl");
  for (const auto& [bytes, provider] : files) {
    WriteBytes(path, bytes);
    EXPECT_EQ(DataLinkProviderName(path), provider) << bytes;
  }
  EXPECT_EQ(DataLinkProviderName(folder.File("nothing-here.udl")), "");
}

class DataLinkService : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateDataInitialize(&service_), S_OK); }
  std::shared_ptr<IDataInitialize> service_;
  std::shared_ptr<IDBInitialize> source_;
};

TEST_F(DataLinkService, LoadStringFromStorageReportsOneLine) {
  TempFolder folder;

  const std::string good = folder.File("good.udl");
  ASSERT_TRUE(WriteDataLinkFile(good, kInit, nullptr));
  std::u16string init;
  ASSERT_EQ(service_->LoadStringFromStorage(Utf8ToUtf16(good), &init), S_OK);
  EXPECT_EQ(Utf16ToUtf8(init), kInit);

  const std::string missing = folder.File("missing.udl");
  const HRESULT hr = service_->LoadStringFromStorage(Utf8ToUtf16(missing), &init);
  ASSERT_TRUE(Failed(hr));
  EXPECT_EQ(ProviderErrorText(hr), "Cannot open \"" + missing + "\": No such file or directory");
}

TEST_F(DataLinkService, UnknownProviderIsNotRegistered) {
  const HRESULT hr = service_->GetDataSource(u"Provider=NoSuch;Data Source=x", &source_);
  EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
  EXPECT_EQ(source_, nullptr);
  EXPECT_EQ(ProviderErrorText(hr), "Provider \"NoSuch\" is not registered.");
  // Once read, the error object is gone: a second look gives our table's text.
  EXPECT_EQ(ProviderErrorText(hr), "The provider is not registered.");
}

TEST_F(DataLinkService, VersionedAndDefaultProviderNames) {
  for (const char16_t* init :
       {u"Provider=sqlite.1;Data Source=x", u"Data Source=x", u"Provider=MSDASQL.1;DSN=x"})
    EXPECT_EQ(service_->GetDataSource(init, &source_), S_OK);
  const HRESULT hr = service_->GetDataSource(u"Provider='broken", &source_);
  EXPECT_TRUE(Failed(hr));
  EXPECT_EQ(ProviderErrorText(hr),
            "The connection string is not valid: the value of \"Provider\" has no closing quote.");
}

}  // namespace
}  // namespace quillet::db
