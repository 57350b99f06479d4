#include "datasource/providers/odbc/odbc_diag.h"

#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "datasource/error_info.h"
#include "datasource/text_convert.h"

namespace quillet::db::odbc {
namespace {

constexpr std::size_t kMaxRecords = 8;
constexpr std::size_t kMaxTextBytes = 4000;

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string CleanDiagnosticMessage(std::string_view message) {
  std::string_view rest = TrimView(message);
  while (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) break;
    rest.remove_prefix(close + 1);
    rest = TrimView(rest);
  }
  std::string out;
  while (!rest.empty()) {
    const std::size_t br = rest.find_first_of("\r\n");
    std::string_view line = TrimView(rest.substr(0, br));
    while (!line.empty() && line.back() == ';') line = TrimView(line.substr(0, line.size() - 1));
    if (!line.empty()) {
      if (!out.empty()) out += "; ";
      out += line;
    }
    if (br == std::string_view::npos) break;
    rest.remove_prefix(br + 1);
  }
  return out;
}

Diagnostic ReadDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
  struct Record {
    std::string state;
    std::string text;
  };
  std::vector<Record> records;
  for (SQLSMALLINT i = 1; i <= static_cast<SQLSMALLINT>(kMaxRecords); ++i) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    std::u16string message(1024, u'\0');
    SQLRETURN r = SQLGetDiagRecW(handleType, handle, i, state, &native,
                                 reinterpret_cast<SQLWCHAR*>(message.data()),
                                 static_cast<SQLSMALLINT>(message.size()), &length);
    if (r == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<std::size_t>(length) + 1, u'\0');
      r = SQLGetDiagRecW(handleType, handle, i, state, &native,
                         reinterpret_cast<SQLWCHAR*>(message.data()),
                         static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(r)) break;
    message.resize(std::min<std::size_t>(static_cast<std::size_t>(length), message.size()));
    std::u16string stateText(reinterpret_cast<const char16_t*>(state), 5);
    records.push_back({Utf16ToUtf8(stateText), CleanDiagnosticMessage(Utf16ToUtf8(message))});
  }
  Diagnostic result;
  // Warnings (class 01) only matter when nothing failed outright.
  const auto isWarning = [](const Record& r) { return r.state.starts_with("01"); };
  bool anyError = false;
  for (const auto& r : records) anyError = anyError || !isWarning(r);
  std::vector<std::string> seen;
  for (const auto& r : records) {
    if (anyError && isWarning(r)) continue;
    if (result.sqlState.empty()) result.sqlState = r.state;
    if (r.text.empty() || std::find(seen.begin(), seen.end(), r.text) != seen.end()) continue;
    seen.push_back(r.text);
    if (!result.text.empty()) result.text += "; ";
    result.text += r.text;
  }
  if (result.text.size() > kMaxTextBytes) {
    result.text.resize(Utf8CutLength(result.text, kMaxTextBytes));
    result.text += "...";
  }
  return result;
}

HRESULT CodeForSqlState(std::string_view s, HRESULT fallback) {
  if (s == "HY008" || s == "57014") return DB_E_CANCELED;  // 57014: the server's query_canceled
  if (s == "HY001") return E_OUTOFMEMORY;
  if (s.starts_with("28")) return DB_SEC_E_AUTH_FAILED;
  if (s == "42S02" || s == "42P01") return DB_E_NOTABLE;
  if (s == "25006") return DB_E_READONLY;
  if (s.starts_with("42") || s == "37000") return DB_E_ERRORSINCOMMAND;
  return fallback;
}

HRESULT RaiseOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, HRESULT fallback,
                       std::string_view what) {
  Diagnostic d;
  if (handle != SQL_NULL_HANDLE) d = ReadDiagnostic(handleType, handle);
  const HRESULT code = CodeForSqlState(d.sqlState, fallback);
  return RaiseError(code, d.text.empty() ? what : std::string_view(d.text), kProviderName);
}

}  // namespace quillet::db::odbc
