#include "datasource/error_text.h"

#include <cstring>
#include <optional>

#include "datasource/text_convert.h"
#include "resources/string_table.h"

namespace quillet::db {
namespace {

std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  // A diagnostic of several lines would break the one-line report; join them.
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

struct KnownCode {
  HRESULT code;
  const char* text;
};

constexpr KnownCode kKnownCodes[] = {
    {E_NOTIMPL, "Not implemented."},
    {E_NOINTERFACE, "No such interface supported."},
    {E_POINTER, "Invalid pointer."},
    {E_FAIL, "Unspecified error."},
    {E_UNEXPECTED, "Catastrophic failure."},
    {E_OUTOFMEMORY, "Not enough memory to complete the operation."},
    {E_INVALIDARG, "One or more arguments are invalid."},
    {REGDB_E_CLASSNOTREG, "The provider is not registered."},
    {DB_E_BADACCESSORHANDLE, "The accessor handle is invalid."},
    {DB_E_BADROWHANDLE, "The row handle is invalid."},
    {DB_E_BADBINDINFO, "The binding information is invalid."},
    {DB_E_NOCOMMAND, "No command text was set."},
    {DB_E_ERRORSINCOMMAND, "The command contained one or more errors."},
    {DB_E_CANTCONVERTVALUE, "A literal value in the command could not be converted."},
    {DB_E_ERRORSOCCURRED, "Multiple-step operation generated errors. Check each status value."},
    {DB_E_ROWSNOTRELEASED, "All row handles must be released before new ones can be obtained."},
    {DB_E_CANTSCROLLBACKWARDS, "The rowset cannot scroll backward."},
    {DB_E_NOTABLE, "The table or view does not exist."},
    {DB_SEC_E_AUTH_FAILED, "Authentication failed."},
    {DB_E_CANCELED, "The operation was canceled."},
    {DB_E_NOTSUPPORTED, "The requested operation is not supported by the provider."},
    {DB_E_BADORDINAL, "The column ordinal is invalid."},
    {DB_E_READONLY, "The data source is read-only; the change was refused."},
    {E_CANCELLED_BY_USER, "The operation was canceled by the user."},
};

}  // namespace

std::string ResultCodeText(HRESULT code) {
  for (const auto& known : kKnownCodes) {
    if (known.code == code) return known.text;
  }
  return {};
}

std::string ProviderErrorText(HRESULT code) {
  std::optional<ErrorInfo> info;
  if (GetErrorInfo(&info) == S_OK && info && info->code == code && !info->description.empty()) {
    return OneLine(Utf16ToUtf8(info->description));
  }
  return ResultCodeText(code);
}

std::string WindowsErrorText(int code) {
  if (code == 0) return {};
  return OneLine(std::strerror(code));
}

std::string ComposeErrorText(unsigned contextId, std::string_view reason) {
  std::string text = contextId != 0 ? LoadResourceString(contextId) : std::string();
  if (!text.empty()) text += ": ";
  text += reason;
  return text;
}

std::string ErrorDescription(HRESULT code, const void* object) {
  if (object != nullptr) {
    std::optional<ErrorInfo> info;
    if (GetErrorInfo(&info) == S_OK && info && !info->description.empty()) {
      return OneLine(Utf16ToUtf8(info->description));
    }
  }
  return std::to_string(code);
}

}  // namespace quillet::db
