#include "elements/list_settings.h"

#include "config/key_path.h"
#include "config/registry_values.h"
#include "elements/element.h"

namespace quillet {
namespace {

constexpr const char* kViewStyleValue = "ListViewStyles";
constexpr const char* kExtendedStyleValue = "m_dwListViewStylesEx";

// A value that is missing or unreadable leaves the field as it was.
bool ReadNumber(const config::RegKey& key, const char* name, std::uint32_t* value) {
  config::OptionValue option(static_cast<std::int32_t>(*value));
  if (config::ReadOptionNumber(key, name, option) != config::ERROR_SUCCESS) return false;
  *value = static_cast<std::uint32_t>(option.Get());
  return true;
}

void WriteNumber(config::RegKey& key, const char* name, std::uint32_t value) {
  config::WriteOptionNumber(key, name, static_cast<std::int32_t>(value));
}

}  // namespace

std::string ListSettingsKeyPath(int slot) {
  return config::KeyPath("\\%i.%i\\view\\xElement#%i", config::kVersionMajor, config::kVersionMinor,
                         slot);
}

config::RegResult LoadListSettings(config::RegistryStore& store, xElement* const* slots,
                                   int count) {
  for (int slot = 0; slot < count; ++slot) {
    xElement* element = slots[slot];
    if (!element || !element->HasListSettings()) continue;
    config::RegKey key;
    config::RegResult result = store.CreateKey(ListSettingsKeyPath(slot), &key);
    if (result != config::ERROR_SUCCESS) return result;
    std::uint32_t value = 0;
    if (ReadNumber(key, kViewStyleValue, &value)) element->SetListViewStyle(value);
    if (ReadNumber(key, kExtendedStyleValue, &value)) element->SetExtendedListStyle(value);
    key.Close();
  }
  return config::ERROR_SUCCESS;
}

config::RegResult SaveListSettings(config::RegistryStore& store, xElement* const* slots,
                                   int count) {
  for (int slot = 0; slot < count; ++slot) {
    xElement* element = slots[slot];
    if (!element || !element->HasListSettings()) continue;
    config::RegKey key;
    config::RegResult result = store.CreateKey(ListSettingsKeyPath(slot), &key);
    if (result != config::ERROR_SUCCESS) return result;
    config::RegistryStore::WriteGroup group(store);
    WriteNumber(key, kViewStyleValue, element->ListViewStyle());
    WriteNumber(key, kExtendedStyleValue, element->ExtendedListStyle());
    key.Close();
  }
  return config::ERROR_SUCCESS;
}

ListSettings EffectiveListSettings(const xElement& element, const xElement& database,
                                   bool useIndividual) {
  const xElement& source = element.HasListSettings() && !useIndividual ? database : element;
  return ListSettings{source.ListViewStyle(), source.ExtendedListStyle()};
}

}  // namespace quillet
