#include "datasource/error_info.h"

#include <utility>

#include "datasource/text_convert.h"

namespace quillet::db {
namespace {

// One slot per thread, as the platform keeps one error object per thread.
thread_local std::optional<ErrorInfo> t_errorInfo;

std::string_view TrimLineBreaks(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

}  // namespace

void SetErrorInfo(std::optional<ErrorInfo> info) {
  t_errorInfo = std::move(info);
}

HRESULT GetErrorInfo(std::optional<ErrorInfo>* info) {
  if (info == nullptr) return E_POINTER;
  *info = std::exchange(t_errorInfo, std::nullopt);
  return info->has_value() ? S_OK : S_FALSE;
}

HRESULT RaiseError(HRESULT code, std::string_view description, std::string_view source) {
  ErrorInfo info;
  info.code = code;
  info.description = Utf8ToUtf16(TrimLineBreaks(description));
  info.source = Utf8ToUtf16(source);
  t_errorInfo = std::move(info);
  return code;
}

void ClearErrorInfo() {
  t_errorInfo.reset();
}

}  // namespace quillet::db
