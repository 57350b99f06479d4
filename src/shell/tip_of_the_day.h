#pragma once

#include <string>

namespace quillet::config {
class RegistryStore;
}

namespace quillet::shell {

// What offering the tip needs of the window: an error box and a beep.
class TipOfTheDayHost {
 public:
  virtual ~TipOfTheDayHost() = default;
  virtual void ShowErrorBox(const std::string& caption, const std::string& text) = 0;
  virtual void Beep() = 0;
};

// The tip module beside the executable, its export and the tip file it is given.
inline constexpr const char* kTipModuleName = "daytips.so";
inline constexpr const char* kTipExportName = "ShowTipsDialogA";
inline constexpr const char* kTipFileName = "quillet.tip";

// Signature of the export: owner window, tip file path, show-at-start-up flag; the low byte of
// the result is the new flag.
using ShowTipsDialogFunction = int (*)(void* owner, const char* tipFile, int show);

// Shows the tip dialog when "ShowTipOfTheDay" is on or `force` is set, and stores the state the
// dialog returns. `owner` is handed to the module unchanged.
void OfferTipOfTheDay(TipOfTheDayHost& host, void* owner, bool force);

// The same with the module folder and the settings store named (tests use their own); the tip
// file is looked for in the module's folder.
void OfferTipOfTheDay(TipOfTheDayHost& host, void* owner, bool force,
                      const std::string& moduleFolder, config::RegistryStore& store);

// The same with the tip file's folder named apart: an installed copy keeps it with its data.
void OfferTipOfTheDay(TipOfTheDayHost& host, void* owner, bool force,
                      const std::string& moduleFolder, const std::string& tipFolder,
                      config::RegistryStore& store);

}  // namespace quillet::shell
