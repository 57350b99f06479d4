#pragma once
// Opening data sources and running queries through the provider operations, as the program
// does, for the tests.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "datasource/error_text.h"
#include "datasource/provider_ops.h"
#include "datasource/text_convert.h"

namespace quillet::db::testing {

struct Opened {
  std::shared_ptr<IDBInitialize> dataSource;
  std::shared_ptr<ISession> session;
};

// Service, data source, Initialize, session. On failure `error` gets the provider's text.
inline HRESULT OpenConnection(const std::string& initString, Opened* opened,
                              std::string* error = nullptr) {
  std::shared_ptr<IDataInitialize> service;
  HRESULT hr = CreateDataInitialize(&service);
  if (Succeeded(hr)) hr = service->GetDataSource(Utf8ToUtf16(initString), &opened->dataSource);
  if (Succeeded(hr)) hr = opened->dataSource->Initialize();
  if (Succeeded(hr)) hr = opened->dataSource->CreateSession(&opened->session);
  if (Failed(hr) && error != nullptr) *error = ProviderErrorText(hr);
  return hr;
}

inline std::string SqliteString(const std::string& path) {
  return "Provider=SQLite;Data Source=\"" + path + "\";";
}

inline HRESULT RunQuery(ISession& session, const std::string& sql, std::shared_ptr<IRowset>* rowset,
                        std::string* error = nullptr) {
  std::shared_ptr<ICommand> command;
  HRESULT hr = session.CreateCommand(&command);
  if (Succeeded(hr)) hr = command->SetCommandText(DBGUID_DEFAULT, Utf8ToUtf16(sql));
  if (Succeeded(hr)) hr = command->Execute(rowset, nullptr);
  if (Failed(hr) && error != nullptr) *error = ProviderErrorText(hr);
  return hr;
}

// A binding of one part set at the given offsets.
inline DBBINDING Bind(std::size_t ordinal, DBTYPE type, std::size_t maxLen, std::size_t value,
                      std::size_t length, std::size_t status) {
  DBBINDING b;
  b.iOrdinal = ordinal;
  b.wType = type;
  b.cbMaxLen = maxLen;
  b.obValue = value;
  b.obLength = length;
  b.obStatus = status;
  b.dwPart = DBPART_VALUE | DBPART_LENGTH | DBPART_STATUS;
  b.dwMemOwner = (type & DBTYPE_BYREF) != 0 ? DBMEMOWNER_PROVIDEROWNED : DBMEMOWNER_CLIENTOWNED;
  return b;
}

template <typename T>
T ReadAt(const std::vector<std::uint8_t>& buffer, std::size_t offset) {
  T v{};
  std::memcpy(&v, buffer.data() + offset, sizeof v);
  return v;
}

// Reads a whole stream in pieces of 1024 bytes, as the storage writer does.
inline std::string ReadStream(ISequentialStream* stream) {
  std::string all;
  char piece[1024];
  for (;;) {
    std::uint32_t got = 0;
    if (Failed(stream->Read(piece, sizeof piece, &got))) break;
    all.append(piece, got);
    if (got < sizeof piece) break;
  }
  return all;
}

// Fetches to the end without reading values; the final fetch result goes to `end`.
inline std::int64_t Walk(IRowset& rowset, HRESULT* end = nullptr) {
  std::int64_t rows = 0;
  for (;;) {
    std::size_t got = 0;
    HROW row = DB_NULL_HROW;
    const HRESULT hr = rowset.GetNextRows(0, 1, &got, &row);
    if (hr != S_OK) {
      if (end != nullptr) *end = hr;
      return rows;
    }
    rowset.ReleaseRows(1, &row);
    ++rows;
  }
}

}  // namespace quillet::db::testing
