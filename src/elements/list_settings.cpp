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

namespace {

// Opens (creating) the key of every element that keeps list settings, in slot order, and hands
// it over; stops at the first key that cannot be had and returns its error.
template <typename Use>
config::RegResult ForEachSettingsKey(config::RegistryStore& store, xElement* const* slots,
                                     int count, Use use) {
  for (int slot = 0; slot < count; ++slot) {
    xElement* element = slots[slot];
    if (!element || !element->HasListSettings()) continue;
    config::RegKey key;
    const config::RegResult result = store.CreateKey(ListSettingsKeyPath(slot), &key);
    if (result != config::ERROR_SUCCESS) return result;
    use(*element, key);
    key.Close();
  }
  return config::ERROR_SUCCESS;
}

}  // namespace

config::RegResult LoadListSettings(config::RegistryStore& store, xElement* const* slots,
                                   int count) {
  return ForEachSettingsKey(store, slots, count, [](xElement& element, config::RegKey& key) {
    std::uint32_t value = 0;
    if (ReadNumber(key, kViewStyleValue, &value)) element.SetListViewStyle(value);
    if (ReadNumber(key, kExtendedStyleValue, &value)) element.SetExtendedListStyle(value);
  });
}

config::RegResult SaveListSettings(config::RegistryStore& store, xElement* const* slots,
                                   int count) {
  return ForEachSettingsKey(store, slots, count, [&store](xElement& element, config::RegKey& key) {
    config::RegistryStore::WriteGroup group(store);
    WriteNumber(key, kViewStyleValue, element.ListViewStyle());
    WriteNumber(key, kExtendedStyleValue, element.ExtendedListStyle());
  });
}

ListSettings EffectiveListSettings(const xElement& element, const xElement& database,
                                   bool useIndividual) {
  const xElement& source = element.HasListSettings() && !useIndividual ? database : element;
  return ListSettings{source.ListViewStyle(), source.ExtendedListStyle()};
}

}  // namespace quillet
