#include "datasource/open_ops.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <string_view>

#include "datasource/connection_ui.h"
#include "datasource/text_convert.h"

namespace quillet::db {

HRESULT OpenFromInitString(const std::u16string& initString,
                           std::shared_ptr<IDBInitialize>* dataSource) {
  std::shared_ptr<IDataInitialize> service;
  HRESULT hr = CreateDataInitialize(&service);
  if (Failed(hr)) return hr;
  if (!service) return E_UNEXPECTED;
  std::shared_ptr<IDBInitialize> made;
  hr = service->GetDataSource(initString, &made);
  if (Failed(hr)) return hr;
  if (!made) return E_UNEXPECTED;
  hr = made->Initialize();
  if (Failed(hr)) return hr;  // `made` goes with the failure; the caller keeps nothing
  *dataSource = std::move(made);
  return hr;
}

HRESULT OpenFromDataLinkFile(const std::u16string& path,
                             std::shared_ptr<IDBInitialize>* dataSource) {
  std::shared_ptr<IDataInitialize> service;
  HRESULT hr = CreateDataInitialize(&service);
  if (Failed(hr)) return hr;
  if (!service) return E_UNEXPECTED;
  std::u16string initString;
  hr = service->LoadStringFromStorage(path, &initString);
  if (Failed(hr)) return hr;
  service.reset();
  return OpenFromInitString(initString, dataSource);
}

HRESULT OpenWithPrompt(ConnectionUi& ui, std::shared_ptr<IDBInitialize>* dataSource) {
  std::string initString;
  const HRESULT hr = ui.PromptDataLink(&initString);
  if (hr == S_FALSE) return E_CANCELLED_BY_USER;
  if (hr != S_OK) return Failed(hr) ? hr : E_UNEXPECTED;
  return OpenFromInitString(Utf8ToUtf16(initString), dataSource);
}

HRESULT OpenSession(const std::shared_ptr<IDBInitialize>& dataSource,
                    std::shared_ptr<ISession>* session) {
  if (!dataSource) return E_POINTER;
  std::shared_ptr<ISession> made;
  const HRESULT hr = dataSource->CreateSession(&made);
  if (Failed(hr)) return hr;
  if (!made) return E_UNEXPECTED;
  *session = std::move(made);
  return hr;
}

namespace {

// A data link file is a few hundred bytes; anything far larger is not one, and reading it
// whole would only cost memory.
constexpr std::streamsize kMaxDataLinkFileBytes = 1 << 20;
// The value is read into a buffer of this many bytes, terminating zero included.
constexpr std::size_t kProviderValueBuffer = 5120;

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string DecodeFileText(const std::string& bytes) {
  std::string_view view(bytes);
  if (view.size() >= 2 && static_cast<unsigned char>(view[0]) == 0xFF &&
      static_cast<unsigned char>(view[1]) == 0xFE)
    return Utf16ToUtf8(BytesLEToUtf16(view.substr(2)));
  if (view.size() >= 3 && view.substr(0, 3) == "\xEF\xBB\xBF") return std::string(view.substr(3));
  if (IsValidUtf8(view)) return bytes;
  return Cp1252ToUtf8(view);
}

}  // namespace

std::string ReadDataLinkProvider(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(kMaxDataLinkFileBytes));
  in.read(bytes.data(), kMaxDataLinkFileBytes);
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  const std::string text = DecodeFileText(bytes);

  bool inSection = false;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name =
          close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
      inSection = EqualsNoCase(Trim(name), "oledb");
      continue;
    }
    if (!inSection) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (!EqualsNoCase(Trim(line.substr(0, eq)), "Provider")) continue;
    std::string_view value = Trim(line.substr(eq + 1));
    // A value in matching quotes is read without them.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, Utf8CutLength(value, kProviderValueBuffer - 1)));
  }
  return {};
}

}  // namespace quillet::db
