#include "config/option_groups.h"

#include <optional>

#include "config/key_path.h"
#include "config/registry_values.h"

namespace quillet::config {
namespace {

using enum OptionEncoding;

constexpr OptionDefinition kGeneralOptions[] = {
    {kGeneralKeyFormat, option::kGoDirectlyToTableFldr, kNumber, 0},
    {kGeneralKeyFormat, option::kRecentListMaxEnteries, kNumber, 4},
    {kGeneralKeyFormat, option::kSingleInstance, kDword, 1},
    {kGeneralKeyFormat, option::kMaxBackupPoints, kNumber, 20},
};

constexpr OptionDefinition kListWndOptions[] = {
    {kListWndKeyFormat, option::kUseIndividualProp, kNumber, 1},
    {kListWndKeyFormat, option::kIsShowGrid, kNumber, 1},
    {kListWndKeyFormat, option::kIsFullRowSel, kNumber, 1},
    {kListWndKeyFormat, option::kIsFlatSB, kNumber, 0},
    {kListWndKeyFormat, option::kShowTT1, kNumber, 0},
    {kListWndKeyFormat, option::kShowTT2, kNumber, 1},
};

constexpr OptionDefinition kTreeWndOptions[] = {
    {kTreeWndKeyFormat, option::kIsHasButtons, kNumber, 1},
    {kTreeWndKeyFormat, option::kIsHasLines, kNumber, 1},
    {kTreeWndKeyFormat, option::kIsFullRowSel, kNumber, 0},
    {kTreeWndKeyFormat, option::kIsTrackSelect, kNumber, 0},
};

constexpr OptionDefinition kReportWndOptions[] = {
    {kReportWndKeyFormat, option::kIsShowGrid, kNumber, 1},
    {kReportWndKeyFormat, option::kIsFullRowSel, kNumber, 1},
    {kReportWndKeyFormat, option::kIsFlatSB, kNumber, 0},
};

constexpr OptionDefinition kViewOptions[] = {
    {kVersionKeyFormat, option::kFirstStart, kNumber, 1},
    {kViewKeyFormat, option::kIsStandardTBVisible, kNumber, 1},
    {kViewKeyFormat, option::kIsDBTBVisible, kNumber, 1},
    {kViewKeyFormat, option::kIsStatusBarVisible, kNumber, 1},
    {kViewKeyFormat, option::kIsLockRebarCtrl, kNumber, 0},
};

void ReadOption(const RegKey& key, SettingsPage::Option& option) {
  if (option.definition->encoding == kNumber) {
    ReadOptionNumber(key, option.definition->name, option.value);
    return;
  }
  std::uint32_t value = 0;
  if (ReadDword(key, option.definition->name, &value) == ERROR_SUCCESS) {
    option.value.Set(static_cast<std::int32_t>(value));
  }
}

void WriteOption(RegKey& key, const SettingsPage::Option& option) {
  if (option.definition->encoding == kNumber) {
    WriteOptionNumber(key, option.definition->name, option.value);
  } else {
    WriteDword(key, option.definition->name, static_cast<std::uint32_t>(option.value.Get()));
  }
}

}  // namespace

const GroupDefinition kGeneralGroup{kGeneralOptions};
const GroupDefinition kListWndGroup{kListWndOptions};
const GroupDefinition kTreeWndGroup{kTreeWndOptions};
const GroupDefinition kReportWndGroup{kReportWndOptions};
const GroupDefinition kViewGroup{kViewOptions};

RegResult ExchangeGroup(const GroupDefinition& group, int mode, SettingsPage& page,
                        RegistryStore& store) {
  if (page.Group() != &group) return ERROR_INVALID_PARAMETER;
  auto& options = page.Options();
  if (mode == kExchangeDefaults) {
    for (auto& option : options) option.value.Set(option.definition->defaultValue);
    return ERROR_SUCCESS;
  }
  if (mode != kExchangeRead && mode != kExchangeWrite) return -1;

  std::optional<RegistryStore::WriteGroup> writes;
  if (mode == kExchangeWrite) writes.emplace(store);
  // Options sharing a key are exchanged under one opening of it.
  for (std::size_t first = 0; first < options.size();) {
    const char* keyFormat = options[first].definition->keyFormat;
    std::size_t last = first;
    while (last < options.size() && options[last].definition->keyFormat == keyFormat) ++last;
    RegKey key;
    RegResult rc = store.CreateKey(KeyPath(keyFormat, kVersionMajor, kVersionMinor), &key);
    if (rc != ERROR_SUCCESS) return rc;
    for (std::size_t i = first; i < last; ++i) {
      if (mode == kExchangeRead) {
        ReadOption(key, options[i]);
      } else {
        WriteOption(key, options[i]);
      }
    }
    key.Close();
    first = last;
  }
  return ERROR_SUCCESS;
}

RegResult ExchangeGeneral(int mode, SettingsPage& page, RegistryStore& store) {
  return ExchangeGroup(kGeneralGroup, mode, page, store);
}
RegResult ExchangeListWnd(int mode, SettingsPage& page, RegistryStore& store) {
  return ExchangeGroup(kListWndGroup, mode, page, store);
}
RegResult ExchangeTreeWnd(int mode, SettingsPage& page, RegistryStore& store) {
  return ExchangeGroup(kTreeWndGroup, mode, page, store);
}
RegResult ExchangeReportWnd(int mode, SettingsPage& page, RegistryStore& store) {
  return ExchangeGroup(kReportWndGroup, mode, page, store);
}
RegResult ExchangeView(int mode, SettingsPage& view, RegistryStore& store) {
  return ExchangeGroup(kViewGroup, mode, view, store);
}

std::uint32_t ReadSingleInstance(RegistryStore& store, const std::string& keyPath,
                                 std::uint32_t defaultValue) {
  RegKey key;
  if (store.CreateKey(keyPath, &key) != ERROR_SUCCESS) return defaultValue;
  std::uint32_t value = defaultValue;
  ReadDword(key, option::kSingleInstance, &value);
  return value;
}

RegResult WriteSingleInstance(RegistryStore& store, const std::string& keyPath,
                              std::uint32_t value) {
  RegKey key;
  RegResult rc = store.CreateKey(keyPath, &key);
  if (rc != ERROR_SUCCESS) return rc;
  return WriteDword(key, option::kSingleInstance, value);
}

void BuildPageSet(PageSet& pages, RegistryStore& store) {
  SettingsPage& general = pages.AddPage(kPageGeneral, &kGeneralGroup);
  ExchangeGeneral(kExchangeDefaults, general, store);
  general.SetValue(option::kSingleInstance,
                   static_cast<std::int32_t>(ReadSingleInstance(
                       store, KeyPath(kGeneralKeyFormat, kVersionMajor, kVersionMinor), 1)));
  ExchangeGeneral(kExchangeRead, general, store);

  pages.AddPage(kPageAppearance, nullptr);

  const struct {
    unsigned id;
    const GroupDefinition* group;
  } kGrouped[] = {
      {kPageDataList, &kListWndGroup},
      {kPageDataTree, &kTreeWndGroup},
      {kPageReportWindow, &kReportWndGroup},
  };
  for (const auto& [id, group] : kGrouped) {
    SettingsPage& page = pages.AddPage(id, group);
    ExchangeGroup(*group, kExchangeDefaults, page, store);
    ExchangeGroup(*group, kExchangeRead, page, store);
  }
}

SettingsPage MakeViewGroup() {
  // The page's constructor puts every option at its default (mode 0).
  return SettingsPage(0, &kViewGroup);
}

void SaveConfiguration(PageSet& pages, RegistryStore& store) {
  for (unsigned id = kPageGeneral; id <= kPageReportWindow; ++id) {
    pages.GetPage(id).SaveToRegistry(store);
  }
}

}  // namespace quillet::config
