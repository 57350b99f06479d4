// The cell record: binding rules, the store step for values by reference, and the texts a
// cell shows in the list and in its description.

#include <gtest/gtest.h>

#include <vector>

#include "datasource/text_convert.h"
#include "tabledata/cell_format.h"
#include "tabledata/data_cell.h"

namespace quillet::test {
namespace {

using db::DBTYPE;

TEST(DataCell, BindingRulesChooseCellTypeAndLength) {
  constexpr DBTYPE kByRef = db::DBTYPE_BYREF, kLong = db::DBTYPE_IUNKNOWN;
  const struct {
    DBTYPE type;
    std::uint32_t size;
    DBTYPE cellType;
    std::uint32_t maxLen;
  } rules[] = {{db::DBTYPE_STR, 512, db::DBTYPE_STR, 512},
               {db::DBTYPE_STR, 1000, db::DBTYPE_STR | kByRef, 1000},
               {db::DBTYPE_BYTES, 513, db::DBTYPE_BYTES | kByRef, 513},
               {db::DBTYPE_WSTR, 300, db::DBTYPE_WSTR | kByRef, 600},
               {db::DBTYPE_STR, 0, kLong, 4},  // unknown size: long data
               {db::DBTYPE_WSTR, 0x7FFFFFFF, kLong, 4},
               {db::DBTYPE_IDISPATCH, 8, kLong, 4},
               {db::DBTYPE_I4, 0, db::DBTYPE_STR, 512},  // other types: as text
               {db::DBTYPE_GUID, 16, db::DBTYPE_STR, 512}};
  for (const auto& rule : rules) {
    CellBinding b = ChooseCellBinding(ColumnInfo{"c", rule.type, rule.size});
    EXPECT_EQ(b.cellType, rule.cellType) << rule.type << "/" << rule.size;
    EXPECT_EQ(b.maxLen, rule.maxLen) << rule.type << "/" << rule.size;
  }
}

// A by-reference cell pointing at `value`.
struct ByRefCell {
  ByRefCell(DBTYPE type, std::string value, std::uint32_t maxLen, db::DBSTATUS status = 0)
      : bytes(kDataCellSize, 0x55), source(std::move(value)) {
    DataCellRef c(bytes.data());
    c.SetType(type | db::DBTYPE_BYREF);
    c.SetMaxLen(maxLen);
    c.SetPointer(source.data());
    c.SetLength(static_cast<std::uint32_t>(source.size()));
    c.SetStatus(status);
  }
  DataCellRef Cell() { return DataCellRef(bytes.data()); }
  std::string Inline() { return reinterpret_cast<const char*>(bytes.data() + kCellValueOffset); }
  std::vector<std::uint8_t> bytes;
  std::string source;
};

TEST(DataCell, ByRefCopyKeepsAtMost513BytesWithoutSplittingACharacter) {
  const struct {
    std::string value;
    db::DBSTATUS status;
    std::string kept;
  } cases[] = {// 512 ASCII bytes then a two-byte character: cutting at 513 would split it.
               {std::string(512, 'a') + "\xC3\xBC" + "tail", 0, std::string(512, 'a')},
               {std::string(511, 'b') + "\xC3\xBC" + "tail", 0, std::string(511, 'b') + "\xC3\xBC"},
               {"ab", 0, "ab"},  // copied up to its length, never past it, and terminated
               {"ignored", db::DBSTATUS_S_ISNULL, "(EMPTY)"}};
  for (const auto& c : cases) {
    ByRefCell cell(db::DBTYPE_STR, c.value, 2000, c.status);
    CopyByRefValue(cell.Cell());
    EXPECT_EQ(cell.Inline(), c.kept) << c.value.size();
  }
}

TEST(DataCell, WideByRefCopyNeverSplitsASurrogatePair) {
  std::u16string text(255, u'w');
  text += u"\U0001F600";  // a pair across bytes 510..514
  text += u"end";
  std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  ByRefCell cell(db::DBTYPE_WSTR, bytes, 600);
  CopyByRefValue(cell.Cell());
  const std::uint8_t* v = cell.bytes.data() + kCellValueOffset;
  // 255 units (510 bytes) kept, then a wide terminator.
  EXPECT_EQ(v[509], 0);
  EXPECT_EQ(v[508], 'w');
  EXPECT_EQ(v[510], 0);
  EXPECT_EQ(v[511], 0);
  EXPECT_EQ(CellDescriptionText(cell.Cell(), db::DBTYPE_WSTR, 1024), std::string(255, 'w'));
}

// An inline cell with a text value and status.
std::vector<std::uint8_t> InlineCell(const std::string& value, db::DBSTATUS status = 0) {
  std::vector<std::uint8_t> bytes(kDataCellSize, 0);
  std::memcpy(bytes.data() + kCellValueOffset, value.data(),
              std::min<std::size_t>(value.size(), 516));
  DataCellRef(bytes.data()).SetStatus(status);
  return bytes;
}

struct TextRow {
  const char* what;
  DBTYPE cellType;
  DBTYPE columnType;
  std::string value;
  db::DBSTATUS status;
  std::size_t buffer;
  std::string listText;
  std::string description;
};

class CellTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(CellTextTest, ListAndDescription) {
  const TextRow& row = GetParam();
  std::vector<std::uint8_t> bytes = InlineCell(row.value, row.status);
  DataCellRef cell(bytes.data());
  EXPECT_EQ(CellDisplayText(cell, row.cellType, row.columnType, row.buffer), row.listText);
  EXPECT_EQ(CellDescriptionText(cell, row.columnType, row.buffer), row.description);
}

constexpr db::DBSTATUS kCut = db::DBSTATUS_S_TRUNCATED;
INSTANTIATE_TEST_SUITE_P(
    Kinds, CellTextTest,
    ::testing::Values(
        TextRow{"wide cut", db::DBTYPE_WSTR, db::DBTYPE_WSTR, db::Utf16ToBytesLE(u"wide"), kCut,
                1024, "(TEXT)", "wide"},
        TextRow{"interface", db::DBTYPE_IUNKNOWN, db::DBTYPE_IUNKNOWN, "", 0, 1024, "", ""},
        TextRow{"511 characters fit 512", db::DBTYPE_STR, db::DBTYPE_STR, std::string(511, 'x'), 0,
                512, std::string(511, 'x'), std::string(511, 'x')},
        TextRow{"buffer of 260", db::DBTYPE_STR, db::DBTYPE_STR, std::string(511, 'x'), 0, 260,
                std::string(259, 'x'), std::string(259, 'x')},
        TextRow{"cut inside a character", db::DBTYPE_STR, db::DBTYPE_STR, "ab\xE2\x82\xAC", 0, 5,
                "ab", "ab"}));

}  // namespace
}  // namespace quillet::test
