#include "shell/tip_of_the_day.h"

#include <dlfcn.h>

#include <cstdint>
#include <cstring>

#include "config/key_path.h"
#include "config/registry_store.h"
#include "config/registry_values.h"
#include "resources/application_paths.h"
#include "resources/string_table.h"

namespace quillet::shell {
namespace {

constexpr const char* kShowTipValue = "ShowTipOfTheDay";

// Runs the dialog of the module in `folder` on the tip file in `tipFolder`. Returns the new show
// state, or `show` unchanged when the module cannot be loaded.
std::uint32_t RunTipModule(TipOfTheDayHost& host, void* owner, const std::string& folder,
                           const std::string& tipFolder, std::uint32_t show) {
  const std::string modulePath = folder + kTipModuleName;
  void* module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    host.ShowErrorBox(LoadResourceString(60000), LoadResourceString(60016));
    return show;
  }
  void* symbol = dlsym(module, kTipExportName);
  if (symbol != nullptr) {
    ShowTipsDialogFunction showTips = nullptr;
    static_assert(sizeof showTips == sizeof symbol);
    std::memcpy(&showTips, &symbol, sizeof showTips);
    const std::string tipFile = tipFolder + kTipFileName;
    try {
      show = static_cast<std::uint32_t>(showTips(owner, tipFile.c_str(), static_cast<int>(show))) &
             0xFFu;
    } catch (...) {
      // A failing dialog should not offer itself again at every start.
      host.Beep();
      show = 0;
    }
  }
  dlclose(module);
  return show;
}

}  // namespace

void OfferTipOfTheDay(TipOfTheDayHost& host, void* owner, bool force,
                      const std::string& moduleFolder, const std::string& tipFolder,
                      config::RegistryStore& store) {
  config::RegKey key;
  const bool keyOpen = store.CreateKey(config::VersionKeyPath(), &key) == config::ERROR_SUCCESS;

  std::uint32_t show = 1;
  if (keyOpen) {
    config::ReadDword(key, kShowTipValue, &show);  // absent: keeps 1
  }

  if (show != 0 || force) show = RunTipModule(host, owner, moduleFolder, tipFolder, show);

  if (keyOpen) {
    config::WriteDword(key, kShowTipValue, show);
    key.Close();
  }
}

void OfferTipOfTheDay(TipOfTheDayHost& host, void* owner, bool force,
                      const std::string& moduleFolder, config::RegistryStore& store) {
  OfferTipOfTheDay(host, owner, force, moduleFolder, moduleFolder, store);
}

void OfferTipOfTheDay(TipOfTheDayHost& host, void* owner, bool force) {
  const ApplicationPaths paths = ApplicationPaths::Current();
  OfferTipOfTheDay(host, owner, force, paths.moduleFolder, paths.dataFolder,
                   config::RegistryStore::Default());
}

}  // namespace quillet::shell
