#include "config/settings_page.h"

#include "config/option_groups.h"
#include "resources/string_table.h"

namespace quillet::config {

SettingsPage::SettingsPage(unsigned id, const GroupDefinition* group)
    : id_(id), title_(LoadResourceString(id)), group_(group) {
  if (group_ == nullptr) return;
  for (const OptionDefinition& definition : group_->options) options_.emplace_back(definition);
}

OptionValue* SettingsPage::FindOption(std::string_view name) {
  for (Option& option : options_) {
    if (option.Name() == name) return &option.value;
  }
  return nullptr;
}

const OptionValue* SettingsPage::FindOption(std::string_view name) const {
  return const_cast<SettingsPage*>(this)->FindOption(name);
}

std::int32_t SettingsPage::Value(std::string_view name, std::int32_t fallback) const {
  const OptionValue* option = FindOption(name);
  return option != nullptr ? option->Get() : fallback;
}

bool SettingsPage::SetValue(std::string_view name, std::int32_t value) {
  OptionValue* option = FindOption(name);
  if (option == nullptr) return false;
  option->Set(value);
  return true;
}

RegResult SettingsPage::SaveToRegistry(RegistryStore& store) {
  if (group_ == nullptr) return ERROR_SUCCESS;
  return ExchangeGroup(*group_, kExchangeWrite, *this, store);
}

}  // namespace quillet::config
