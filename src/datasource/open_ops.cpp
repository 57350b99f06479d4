#include "datasource/open_ops.h"

#include <string_view>

#include "datasource/connection_ui.h"
#include "datasource/text_convert.h"
#include "datasource/udl_file.h"

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

std::string ReadDataLinkProvider(const std::string& path) {
  return DataLinkProviderName(path);
}

}  // namespace quillet::db
