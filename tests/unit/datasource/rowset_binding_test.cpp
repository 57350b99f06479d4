// GetData as every provider serves it: conversions, cuts, by-reference memory, streams, statuses,
// and the cursor rules (release before fetch, skip offsets, the end).

#include <gtest/gtest.h>

#include <vector>

#include "datasource/error_text.h"
#include "datasource/memory_rowset.h"
#include "provider_helpers.h"

namespace quillet::db {
namespace {

using testing::Bind;
using testing::ReadAt;

const std::string kZoe = "Zo\xC3\xAB";  // 4 bytes, 3 characters

std::shared_ptr<MemoryRowset> MakeRowset(std::vector<std::vector<CellValue>> rows,
                                         std::vector<DBCOLUMNINFO> columns) {
  return std::make_shared<MemoryRowset>("Test", std::move(columns), std::move(rows));
}

// One column of the given type holding `value`, fetched with one binding.
struct Fetched {
  HRESULT hr = E_FAIL;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(64, 0xCC);
  DBSTATUS status() const { return ReadAt<DBSTATUS>(buffer, 4); }
  std::uint32_t length() const { return ReadAt<std::uint32_t>(buffer, 0); }
  std::string text(std::size_t n) const {
    return std::string(reinterpret_cast<const char*>(buffer.data()) + 8, n);
  }
};

Fetched FetchOne(const CellValue& value, DBTYPE columnType, DBBINDING binding) {
  auto rowset = MakeRowset({{value}}, {SchemaColumn(u"c", columnType, 0)});
  Fetched f;
  HACCESSOR accessor = 0;
  EXPECT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA, {binding}, f.buffer.size(), &accessor),
            S_OK);
  std::size_t got = 0;
  HROW row = 0;
  EXPECT_EQ(rowset->GetNextRows(0, 1, &got, &row), S_OK);
  f.hr = rowset->GetData(row, accessor, f.buffer.data());
  rowset->ReleaseRows(1, &row);
  return f;
}

DBBINDING Small(DBTYPE type, std::size_t maxLen) {
  return Bind(1, type, maxLen, 8, 0, 4);
}

// One value fetched inline: what GetData returns, the status, length and value bytes it writes.
struct InlineCase {
  const char* name;
  CellValue value;
  DBTYPE columnType;
  DBTYPE boundType;
  std::size_t maxLen;
  HRESULT hr;
  DBSTATUS status;
  std::uint32_t length;  // ~0u: not checked
  std::string bytes;     // the first bytes of the value part
};

class GetDataInline : public ::testing::TestWithParam<InlineCase> {};

TEST_P(GetDataInline, ConvertsCutsAndReports) {
  const InlineCase& c = GetParam();
  const Fetched f = FetchOne(c.value, c.columnType, Small(c.boundType, c.maxLen));
  EXPECT_EQ(f.hr, c.hr);
  EXPECT_EQ(f.status(), c.status);
  if (c.length != ~0u) {
    EXPECT_EQ(f.length(), c.length);
  }
  EXPECT_EQ(f.text(c.bytes.size()), c.bytes);
}

using S = std::string;
INSTANTIATE_TEST_SUITE_P(
    Cases, GetDataInline,
    ::testing::Values(
        // "Zoë" in 4 bytes: room for 3 bytes + NUL would split the ë; the cut leaves "Zo".
        InlineCase{"Utf8CutAtCharacter", CellValue::Text(kZoe), DBTYPE_STR, DBTYPE_STR, 4, S_OK,
                   DBSTATUS_S_TRUNCATED, 4, S("Zo\0", 3)},
        // "a😀" is 3 UTF-16 units; 8 bytes leave room for 3 units, 6 bytes only for "a".
        InlineCase{"WideCutKeepsPairs", CellValue::Text("a\xF0\x9F\x98\x80"), DBTYPE_WSTR,
                   DBTYPE_WSTR, 6, S_OK, DBSTATUS_S_TRUNCATED, 6, S("a\0\0\0", 4)},
        InlineCase{"BigIntegerAsText", CellValue::Integer(-9007199254740993), DBTYPE_I8, DBTYPE_STR,
                   32, S_OK, DBSTATUS_S_OK, ~0u, S("-9007199254740993\0", 18)},
        // No value of an earlier row is left behind.
        InlineCase{"Null", CellValue::Null(), DBTYPE_STR, DBTYPE_STR, 16, S_OK, DBSTATUS_S_ISNULL,
                   0, S("\0", 1)},
        // Nothing is written past the maximum length (the buffer is filled with 0xCC).
        InlineCase{"BytesCut", CellValue::Bytes(S("\x00\x01\x02\x03\x04", 5)), DBTYPE_BYTES,
                   DBTYPE_BYTES, 3, S_OK, DBSTATUS_S_TRUNCATED, 5, S("\x00\x01\x02\xCC", 4)},
        InlineCase{"TextToSmallInt", CellValue::Text("1234"), DBTYPE_STR, DBTYPE_I2, 2, S_OK,
                   DBSTATUS_S_OK, ~0u, S("\xD2\x04", 2)},
        InlineCase{"SmallIntOverflow", CellValue::Integer(70000), DBTYPE_I8, DBTYPE_I2, 2,
                   DB_E_ERRORSOCCURRED, DBSTATUS_E_DATAOVERFLOW, ~0u, ""},
        InlineCase{"TextNotANumber", CellValue::Text("abc"), DBTYPE_STR, DBTYPE_R8, 8,
                   DB_E_ERRORSOCCURRED, DBSTATUS_E_CANTCONVERTVALUE, ~0u, ""},
        InlineCase{"IntegerToReal", CellValue::Integer(3), DBTYPE_I8, DBTYPE_R8, 8, S_OK,
                   DBSTATUS_S_OK, ~0u, S("\0\0\0\0\0\0\x08\x40", 8)}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Accessor, RefusesBindingsItCannotServe) {
  auto rowset = MakeRowset({}, {SchemaColumn(u"a", DBTYPE_STR, 10)});
  HACCESSOR accessor = 7;
  struct Bad {
    DBBINDING binding;
    std::size_t rowSize;
  };
  DBOBJECT other;  // an interface other than a stream
  DBBINDING object = Small(DBTYPE_IUNKNOWN, 8);
  object.pObject = &other;
  DBBINDING noParts = Small(DBTYPE_STR, 8);
  noParts.dwPart = 0;
  for (const Bad& bad : {Bad{Small(DBTYPE_STR, 8), 10}, Bad{Bind(2, DBTYPE_STR, 8, 8, 0, 4), 64},
                         Bad{Bind(0, DBTYPE_STR, 8, 8, 0, 4), 64}, Bad{object, 64},
                         Bad{Small(DBTYPE_I4 | DBTYPE_BYREF, 8), 64}, Bad{noParts, 64},
                         // a pointer at 524 of a 536-byte cell runs into the length at 528
                         Bad{Bind(1, DBTYPE_STR | DBTYPE_BYREF, 600, 524, 528, 532), 536}}) {
    EXPECT_EQ(rowset->CreateAccessor(DBACCESSOR_ROWDATA, {bad.binding}, bad.rowSize, &accessor),
              DB_E_ERRORSOCCURRED);
    EXPECT_EQ(accessor, DB_NULL_HACCESSOR);
    EXPECT_FALSE(ProviderErrorText(DB_E_ERRORSOCCURRED).empty());
  }
  EXPECT_EQ(rowset->ReleaseAccessor(12345), DB_E_BADACCESSORHANDLE);
}

class Cursor : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::vector<CellValue>> rows;
    for (int i = 0; i < 10; ++i) rows.push_back({CellValue::Integer(i)});
    rowset_ = MakeRowset(std::move(rows), {SchemaColumn(u"n", DBTYPE_I8, 8)});
    ASSERT_EQ(rowset_->CreateAccessor(DBACCESSOR_ROWDATA, {Bind(1, DBTYPE_I8, 8, 0, 8, 12)}, 16,
                                      &accessor_),
              S_OK);
  }
  // Fetches after skipping; returns the row's value, or -1 with the fetch result in *hr.
  std::int64_t Next(std::int64_t skip, HRESULT* hr = nullptr) {
    std::size_t got = 0;
    HROW row = 0;
    const HRESULT r = rowset_->GetNextRows(skip, 1, &got, &row);
    if (hr != nullptr) *hr = r;
    if (r != S_OK) return -1;
    std::vector<std::uint8_t> buffer(16);
    rowset_->GetData(row, accessor_, buffer.data());
    rowset_->ReleaseRows(1, &row);
    return ReadAt<std::int64_t>(buffer, 0);
  }
  std::shared_ptr<MemoryRowset> rowset_;
  HACCESSOR accessor_ = 0;
};

TEST_F(Cursor, CannotSkipBackwards) {
  // Forward skips and the end are the SQLite provider's tests; here the one refusal.
  EXPECT_EQ(Next(0), 0);
  HRESULT hr = S_OK;
  EXPECT_EQ(Next(-1, &hr), -1);
  EXPECT_EQ(hr, DB_E_CANTSCROLLBACKWARDS);
}

TEST_F(Cursor, RowMustBeReleasedBeforeTheNextFetch) {
  std::size_t got = 0;
  HROW row = 0, second = 0;
  ASSERT_EQ(rowset_->GetNextRows(0, 1, &got, &row), S_OK);
  EXPECT_EQ(rowset_->GetNextRows(0, 1, &got, &second), DB_E_ROWSNOTRELEASED);
  EXPECT_EQ(rowset_->RestartPosition(), DB_E_ROWSNOTRELEASED);
  ASSERT_EQ(rowset_->ReleaseRows(1, &row), S_OK);
  std::vector<std::uint8_t> buffer(16);
  EXPECT_EQ(rowset_->GetData(row, accessor_, buffer.data()), DB_E_BADROWHANDLE);
}

}  // namespace
}  // namespace quillet::db
