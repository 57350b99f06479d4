// The initialization service: reads data link files and makes data sources for the provider an
// initialization string names.

#include <string>

#include "datasource/error_info.h"
#include "datasource/init_string.h"
#include "datasource/provider_ops.h"
#include "datasource/provider_registry.h"
#include "datasource/text_convert.h"
#include "datasource/udl_file.h"

namespace quillet::db {
namespace {

constexpr std::string_view kSource = "Quillet";

class DataInitialize final : public IDataInitialize {
 public:
  HRESULT LoadStringFromStorage(const std::u16string& path, std::u16string* initString) override {
    if (initString == nullptr) return E_POINTER;
    if (path.empty()) return RaiseError(E_INVALIDARG, "No data link file was named.", kSource);
    std::string text;
    std::string error;
    if (!ReadDataLinkFile(Utf16ToUtf8(path), &text, &error)) {
      return RaiseError(E_FAIL, error, kSource);
    }
    *initString = Utf8ToUtf16(text);
    ClearErrorInfo();
    return S_OK;
  }

  HRESULT GetDataSource(const std::u16string& initString,
                        std::shared_ptr<IDBInitialize>* dataSource) override {
    if (dataSource == nullptr) return E_POINTER;
    std::string error;
    const auto properties = InitProperties::Parse(Utf16ToUtf8(initString), &error);
    if (!properties) {
      return RaiseError(E_INVALIDARG, "The connection string is not valid: " + error + ".",
                        kSource);
    }
    std::string provider = properties->GetOr("Provider");
    if (provider.empty()) provider = kDefaultProvider;
    const DataSourceFactory factory = FindProvider(provider);
    if (factory == nullptr) {
      return RaiseError(REGDB_E_CLASSNOTREG, "Provider \"" + provider + "\" is not registered.",
                        kSource);
    }
    auto made = factory(*properties);
    if (!made) {
      return RaiseError(E_OUTOFMEMORY, "Provider \"" + provider + "\" could not be started.",
                        kSource);
    }
    *dataSource = std::move(made);
    return S_OK;
  }
};

}  // namespace

HRESULT CreateDataInitialize(std::shared_ptr<IDataInitialize>* service) {
  if (service == nullptr) return E_POINTER;
  *service = std::make_shared<DataInitialize>();
  return S_OK;
}

}  // namespace quillet::db
