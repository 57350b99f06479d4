#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "config/registry_store.h"
#include "resources/menu_model.h"

namespace quillet::shell {

// The data link files a window opened most recently, shown in its File menu.
class RecentList {
 public:
  // Entry k (1 = newest) has the command id 57615 + k.
  static constexpr unsigned kFirstCommandId = 57616;
  static constexpr unsigned kLastCommandId = 57631;
  static constexpr int kMinimumMaximum = 2;
  static constexpr int kMaximumMaximum = 16;
  // Entries are fixed 1024-byte records: a path holds at most 1023 bytes.
  static constexpr std::size_t kMaxPathBytes = 1023;
  static constexpr const char* kKeyName = "Recent Document List";

  RecentList() = default;
  RecentList(const RecentList&) = delete;
  RecentList& operator=(const RecentList&) = delete;

  // The menu to fill (not owned; nullptr for none). Its item 57616 gives the text shown for an
  // empty list.
  void AttachMenu(MenuModel* menu);

  // Reads the list kept under `rootKeyPath`. Without the key or its count nothing changes.
  bool ReadFromRegistry(const std::string& rootKeyPath,
                        config::RegistryStore& store = config::RegistryStore::Default());
  bool WriteToRegistry(const std::string& rootKeyPath,
                       config::RegistryStore& store = config::RegistryStore::Default()) const;

  // Makes the path the newest entry. A path longer than an entry holds is refused (false).
  bool AddToList(const std::string& path);

  // The path of a menu command, or the empty text when the id names no entry.
  std::string EntryForCommand(unsigned commandId) const;

  void SetMaximum(int maximum);  // held to 2..16
  int Maximum() const;
  void SetItemLengthLimit(int limit);  // -1: none; else held to 6..1024
  int ItemLengthLimit() const;

  // Oldest first.
  std::vector<std::string> Entries() const;
  std::string EmptyText() const;

  // Puts the entries (or the disabled empty item) into the attached menu.
  void UpdateMenu();

 private:
  void UpdateMenuLocked();

  mutable std::mutex mutex_;
  std::vector<std::string> entries_;  // oldest first
  int maximum_ = 4;
  int itemLengthLimit_ = -1;
  std::string emptyText_ = "(empty)";
  MenuModel* menu_ = nullptr;
};

}  // namespace quillet::shell
