#pragma once
// One group of options, which is also one page of the properties dialog. The page holds its
// options by name in the order of its group; the dialog (in the UI) loads its controls from
// them and applies its controls to them, then marks the page modified.

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>

#include "config/option_value.h"
#include "config/registry_store.h"

namespace quillet::config {

enum class OptionEncoding {
  kNumber,  // option number: REG_SZ decimal text, 125 bytes
  kDword,   // 32-bit number: REG_DWORD
};

// One option of a group: where it lives (a key path format for KeyPath with the version
// numbers), its value name, how it is stored and its default.
struct OptionDefinition {
  const char* keyFormat;
  const char* name;
  OptionEncoding encoding;
  std::int32_t defaultValue;
};

// The options of one group, in the order they are read and written.
struct GroupDefinition {
  std::span<const OptionDefinition> options;
};

class SettingsPage {
 public:
  struct Option {
    explicit Option(const OptionDefinition& d) : definition(&d), value(d.defaultValue) {}
    std::string_view Name() const { return definition->name; }
    const OptionDefinition* definition;
    OptionValue value;
  };

  // An empty entry: no id, no title, no options.
  SettingsPage() = default;
  // A page titled by string `id`, holding the options of `group` (none when null) at their
  // defaults.
  SettingsPage(unsigned id, const GroupDefinition* group);

  unsigned Id() const { return id_; }
  const std::string& Title() const { return title_; }
  const GroupDefinition* Group() const { return group_; }

  // Set when the dialog applied the page; never cleared while the frame lives.
  bool IsModified() const { return modified_; }
  void SetModified() { modified_ = true; }

  std::deque<Option>& Options() { return options_; }
  const std::deque<Option>& Options() const { return options_; }
  OptionValue* FindOption(std::string_view name);
  const OptionValue* FindOption(std::string_view name) const;
  // The option's value, or `fallback` when the page has no such option.
  std::int32_t Value(std::string_view name, std::int32_t fallback = 0) const;
  // False when the page has no such option.
  bool SetValue(std::string_view name, std::int32_t value);

  // Writes the group (exchange mode 2); a page without a group does nothing and returns 0.
  RegResult SaveToRegistry(RegistryStore& store);

 private:
  unsigned id_ = 0;
  std::string title_;
  const GroupDefinition* group_ = nullptr;
  bool modified_ = false;
  std::deque<Option> options_;  // a deque: OptionValue holds a mutex and cannot move
};

}  // namespace quillet::config
