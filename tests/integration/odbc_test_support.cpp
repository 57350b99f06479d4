#include "odbc_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "datasource/text_convert.h"

namespace quillet::db::testing {

std::map<std::string, std::string> ReadServerEnv(const char* stateVariable) {
  std::map<std::string, std::string> values;
  const char* state = std::getenv(stateVariable);
  if (state == nullptr) return values;
  std::ifstream in(std::string(state) + "/odbc.env");
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
      value = value.substr(1, value.size() - 2);
    }
    values[line.substr(0, eq)] = value;
  }
  if (auto found = values.find("ODBCSYSINI"); found != values.end()) {
    setenv("ODBCSYSINI", found->second.c_str(), 1);
  }
  return values;
}

std::string TakeErrorText() {
  std::optional<ErrorInfo> info;
  if (GetErrorInfo(&info) != S_OK || !info) return {};
  return Utf16ToUtf8(info->description);
}

HRESULT OpenInitString(const std::string& initString, Opened* opened) {
  return OpenConnection(initString, opened);  // the error object is left for TakeErrorText
}

HRESULT OpenDataLinkFile(const std::string& path, Opened* opened) {
  std::shared_ptr<IDataInitialize> service;
  HRESULT hr = CreateDataInitialize(&service);
  if (Failed(hr)) return hr;
  std::u16string initString;
  hr = service->LoadStringFromStorage(Utf8ToUtf16(path), &initString);
  if (Failed(hr)) return hr;
  return OpenInitString(Utf16ToUtf8(initString), opened);
}

HRESULT RunSql(ISession& session, const std::string& sql, std::shared_ptr<IRowset>* rowset,
               std::int64_t* rowsAffected) {
  std::shared_ptr<ICommand> command;
  HRESULT hr = session.CreateCommand(&command);
  if (Failed(hr)) return hr;
  hr = command->SetCommandText(DBGUID_DEFAULT, Utf8ToUtf16(sql));
  if (Failed(hr)) return hr;
  std::int64_t affected = 0;
  hr = command->Execute(rowset, &affected);
  if (rowsAffected != nullptr) *rowsAffected = affected;
  return hr;
}

std::optional<TextRow> NextRowAsText(IRowset& rowset, std::int64_t offset, HRESULT* result) {
  std::vector<DBCOLUMNINFO> columns;
  EXPECT_EQ(rowset.GetColumnInfo(&columns), S_OK);
  // Per column: pointer, length, status.
  constexpr std::size_t kStride = sizeof(void*) + 8;
  std::vector<DBBINDING> bindings;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    DBBINDING b;
    b.iOrdinal = i + 1;
    b.obValue = i * kStride;
    b.obLength = i * kStride + sizeof(void*);
    b.obStatus = i * kStride + sizeof(void*) + 4;
    b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
    b.dwMemOwner = DBMEMOWNER_PROVIDEROWNED;
    b.wType = DBTYPE_STR | DBTYPE_BYREF;
    bindings.push_back(b);
  }
  std::vector<std::uint8_t> buffer(columns.size() * kStride);
  HACCESSOR accessor = DB_NULL_HACCESSOR;
  EXPECT_EQ(rowset.CreateAccessor(DBACCESSOR_ROWDATA, bindings, buffer.size(), &accessor), S_OK);
  std::size_t obtained = 0;
  HROW row = DB_NULL_HROW;
  const HRESULT hr = rowset.GetNextRows(offset, 1, &obtained, &row);
  if (result != nullptr) *result = hr;
  std::optional<TextRow> out;
  if (hr == S_OK) {
    EXPECT_EQ(obtained, 1u);
    const HRESULT got = rowset.GetData(row, accessor, buffer.data());
    EXPECT_TRUE(Succeeded(got)) << TakeErrorText();
    TextRow values;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      DBSTATUS status = 0;
      std::uint32_t length = 0;
      const char* text = nullptr;
      std::memcpy(&text, buffer.data() + i * kStride, sizeof text);
      std::memcpy(&length, buffer.data() + bindings[i].obLength, 4);
      std::memcpy(&status, buffer.data() + bindings[i].obStatus, 4);
      if (status == DBSTATUS_S_ISNULL) {
        values.push_back(std::nullopt);
      } else {
        EXPECT_EQ(status, DBSTATUS_S_OK) << "column " << i + 1;
        values.push_back(text == nullptr ? std::string() : std::string(text, length));
      }
    }
    out = std::move(values);
    EXPECT_EQ(rowset.ReleaseRows(1, &row), S_OK);
  }
  rowset.ReleaseAccessor(accessor);
  return out;
}

std::vector<TextRow> AllRowsAsText(IRowset& rowset) {
  std::vector<TextRow> rows;
  while (auto row = NextRowAsText(rowset)) rows.push_back(std::move(*row));
  return rows;
}

std::vector<TextRow> Query(ISession& session, const std::string& sql) {
  std::shared_ptr<IRowset> rowset;
  const HRESULT hr = RunSql(session, sql, &rowset);
  EXPECT_EQ(hr, S_OK) << sql << ": " << TakeErrorText();
  if (!rowset) return {};
  return AllRowsAsText(*rowset);
}

std::vector<std::pair<std::string, std::string>> ListTables(ISession& session,
                                                            const std::string& type) {
  Restrictions restrictions(4);
  restrictions[3] = Utf8ToUtf16(type);
  std::shared_ptr<IRowset> rowset;
  EXPECT_EQ(session.GetSchemaRowset(DBSCHEMA_TABLES, restrictions, &rowset), S_OK)
      << TakeErrorText();
  std::vector<std::pair<std::string, std::string>> names;
  if (!rowset) return names;
  for (const auto& row : AllRowsAsText(*rowset)) {
    EXPECT_EQ(row[3].value_or(""), type);
    names.emplace_back(row[1].value_or(""), row[2].value_or(""));
  }
  return names;
}

std::optional<std::string> NextStreamValue(IRowset& rowset) {
  std::vector<DBCOLUMNINFO> columns;
  EXPECT_EQ(rowset.GetColumnInfo(&columns), S_OK);
  DBOBJECT object{0, IID_ISequentialStream};
  DBBINDING b = Bind(1, DBTYPE_IUNKNOWN, sizeof(void*), 0, 8, 12);
  b.pObject = &object;
  HACCESSOR accessor = DB_NULL_HACCESSOR;
  EXPECT_EQ(rowset.CreateAccessor(DBACCESSOR_ROWDATA, {b}, 16, &accessor), S_OK);
  std::size_t obtained = 0;
  HROW row = DB_NULL_HROW;
  EXPECT_EQ(rowset.GetNextRows(0, 1, &obtained, &row), S_OK);
  std::vector<std::uint8_t> buffer(16);
  EXPECT_EQ(rowset.GetData(row, accessor, buffer.data()), S_OK) << TakeErrorText();
  rowset.ReleaseRows(1, &row);
  rowset.ReleaseAccessor(accessor);
  if (ReadAt<DBSTATUS>(buffer, 12) == DBSTATUS_S_ISNULL) return std::nullopt;
  auto* stream = ReadAt<ISequentialStream*>(buffer, 0);
  EXPECT_NE(stream, nullptr);
  if (stream == nullptr) return std::string();
  // In pieces of 1024 bytes, as the storage writer reads, so pieces end inside characters.
  const std::string bytes = ReadStream(stream);
  stream->Release();
  return columns[0].wType == DBTYPE_WSTR ? Utf16ToUtf8(BytesLEToUtf16(bytes)) : bytes;
}

void ExpectBigTableSkips(ISession& session) {
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(session, "select id, label from big_table order by id", &rowset), S_OK)
      << TakeErrorText();
  std::int64_t count = 0;
  ASSERT_EQ(rowset->CountRows(&count), S_OK) << TakeErrorText();
  EXPECT_EQ(count, 100000);
  EXPECT_EQ(NextRowAsText(*rowset, 99999), (TextRow{"99999", "row 99999"}));
  HRESULT hr = S_OK;
  EXPECT_FALSE(NextRowAsText(*rowset, 0, &hr));
  EXPECT_EQ(hr, DB_S_ENDOFROWSET);
  ASSERT_EQ(rowset->RestartPosition(), S_OK) << TakeErrorText();
  EXPECT_EQ(NextRowAsText(*rowset), (TextRow{"0", "row 0"}));
  EXPECT_EQ(NextRowAsText(*rowset, 249), (TextRow{"250", "row 250"}));  // rows 1..249 skipped
  EXPECT_FALSE(NextRowAsText(*rowset, 200000, &hr));
  EXPECT_EQ(hr, DB_S_ENDOFROWSET);
}

void ExpectLongValueWhole(ISession& session) {
  std::string expected;
  for (int i = 1; i <= 10000; ++i) {
    const std::string n = std::to_string(i);
    expected += std::string(10 - n.size(), '0') + n;
  }
  std::shared_ptr<IRowset> rowset;
  ASSERT_EQ(RunSql(session, "select body from long_values where id = 1", &rowset), S_OK)
      << TakeErrorText();
  const auto text = NextStreamValue(*rowset);
  ASSERT_TRUE(text);
  ASSERT_EQ(text->size(), 100000u);
  EXPECT_TRUE(*text == expected);
}

HRESULT CellRow::Bind(IRowset& rowset) {
  const HRESULT hr = rowset.GetColumnInfo(&columns);
  if (Failed(hr)) return hr;
  buffer.assign(columns.size() * kDataCellSize, 0);
  bindings.clear();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    bindings.push_back(
        MakeBinding(i, {Utf16ToUtf8(columns[i].name), columns[i].wType, columns[i].ulColumnSize}));
  }
  return rowset.CreateAccessor(DBACCESSOR_ROWDATA, bindings, buffer.size(), &accessor);
}

std::string CellRow::Value(std::size_t column) {
  const DBBINDING& b = bindings[column];
  const DataCellRef cell = Cell(column);
  const DBTYPE base = b.wType & ~DBTYPE_BYREF;
  const char* start = reinterpret_cast<const char*>(cell.Value());
  if ((b.wType & DBTYPE_BYREF) != 0) {
    start = static_cast<const char*>(cell.Pointer());
    return start == nullptr ? std::string() : std::string(start, cell.Length());
  }
  if (base == DBTYPE_BYTES)
    return std::string(start, std::min<std::size_t>(cell.Length(), b.cbMaxLen));
  if (base == DBTYPE_WSTR) {
    std::size_t n = 0;
    while (n + 1 < b.cbMaxLen && (start[n] != 0 || start[n + 1] != 0)) n += 2;
    return std::string(start, n);
  }
  return std::string(start, ::strnlen(start, b.cbMaxLen));
}

}  // namespace quillet::db::testing
