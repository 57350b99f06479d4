#pragma once
// The option groups of a main window, their registry layout and defaults, and the exchange
// routines that set, read or write a group.

#include <cstdint>
#include <string>

#include "config/page_set.h"
#include "config/registry_store.h"
#include "config/settings_page.h"

namespace quillet::config {

// Page ids: the string-table ids of the page titles.
constexpr unsigned kPageGeneral = 57371;
constexpr unsigned kPageAppearance = 57372;
constexpr unsigned kPageDataList = 57373;
constexpr unsigned kPageDataTree = 57374;
constexpr unsigned kPageReportWindow = 57375;

// Value names, as stored.
namespace option {
inline constexpr char kGoDirectlyToTableFldr[] = "GoDirectlyToTableFldr";
inline constexpr char kRecentListMaxEnteries[] = "RecentListMaxEnteries";
inline constexpr char kSingleInstance[] = "SingleInstance";
inline constexpr char kMaxBackupPoints[] = "MaxBackupPoints";
inline constexpr char kUseIndividualProp[] = "UseIndividualProp";
inline constexpr char kIsShowGrid[] = "IsShowGrid";
inline constexpr char kIsFullRowSel[] = "IsFullRowSel";
inline constexpr char kIsFlatSB[] = "IsFlatSB";
inline constexpr char kShowTT1[] = "ShowTT1";
inline constexpr char kShowTT2[] = "ShowTT2";
inline constexpr char kIsHasButtons[] = "IsHasButtons";
inline constexpr char kIsHasLines[] = "IsHasLines";
inline constexpr char kIsTrackSelect[] = "IsTrackSelect";
inline constexpr char kFirstStart[] = "FirstStart";
inline constexpr char kIsStandardTBVisible[] = "IsStandardTBVisible";
inline constexpr char kIsDBTBVisible[] = "IsDBTBVisible";
inline constexpr char kIsStatusBarVisible[] = "IsStatusBarVisible";
inline constexpr char kIsLockRebarCtrl[] = "IsLockRebarCtrl";
inline constexpr char kShowTipOfTheDay[] = "ShowTipOfTheDay";
}  // namespace option

// Key path formats below the root key (for KeyPath with the version numbers).
inline constexpr char kVersionKeyFormat[] = "\\%i.%i";
inline constexpr char kGeneralKeyFormat[] = "\\%i.%i\\Properties\\General";
inline constexpr char kListWndKeyFormat[] = "\\%i.%i\\Properties\\Appearance\\ListWnd";
inline constexpr char kTreeWndKeyFormat[] = "\\%i.%i\\Properties\\Appearance\\TreeWnd";
inline constexpr char kReportWndKeyFormat[] = "\\%i.%i\\Properties\\Appearance\\ReportWnd";
inline constexpr char kViewKeyFormat[] = "\\%i.%i\\view";

// The groups. The view group is the frame's own (not a page of the dialog); its "FirstStart"
// lies in the version key, the rest in the view key.
extern const GroupDefinition kGeneralGroup;
extern const GroupDefinition kListWndGroup;
extern const GroupDefinition kTreeWndGroup;
extern const GroupDefinition kReportWndGroup;
extern const GroupDefinition kViewGroup;

// Exchange modes.
constexpr int kExchangeDefaults = 0;  // every value to its default; no registry access
constexpr int kExchangeRead = 1;      // create-or-open the key(s), read every value in order
constexpr int kExchangeWrite = 2;     // create-or-open the key(s), write every value (one group)

// Runs one exchange. Returns the store's error code when a key cannot be opened, -1 for an
// unknown mode, else 0; a single value that fails to read or write is not reported.
// ERROR_INVALID_PARAMETER when `page` does not hold `group`.
RegResult ExchangeGroup(const GroupDefinition& group, int mode, SettingsPage& page,
                        RegistryStore& store);

// The five exchange routines.
RegResult ExchangeGeneral(int mode, SettingsPage& page, RegistryStore& store);
RegResult ExchangeListWnd(int mode, SettingsPage& page, RegistryStore& store);
RegResult ExchangeTreeWnd(int mode, SettingsPage& page, RegistryStore& store);
RegResult ExchangeReportWnd(int mode, SettingsPage& page, RegistryStore& store);
RegResult ExchangeView(int mode, SettingsPage& view, RegistryStore& store);

// "SingleInstance" as a 4-byte value in the key at `keyPath` (created when missing); the
// default when the key cannot be opened or the value cannot be read.
std::uint32_t ReadSingleInstance(RegistryStore& store, const std::string& keyPath,
                                 std::uint32_t defaultValue);
RegResult WriteSingleInstance(RegistryStore& store, const std::string& keyPath,
                              std::uint32_t value);

// Builds a frame's pages in order: General (defaults, "SingleInstance" from the store, then
// read), Appearance (no values), Data List, Data Tree and Report Window (defaults, then read).
void BuildPageSet(PageSet& pages, RegistryStore& store);

// The frame's view group at its defaults; the layout restore reads it later.
SettingsPage MakeViewGroup();

// Writes the pages in id order, 57371 to 57375 (Appearance writes nothing). The frame calls it
// when it closes and on "Save the Configuration"; failures are not reported.
void SaveConfiguration(PageSet& pages, RegistryStore& store);

}  // namespace quillet::config
