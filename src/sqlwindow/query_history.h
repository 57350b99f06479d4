#pragma once
// The queries a user executed on one connection, newest first, kept in the settings store
// below the connection's own key so that they come back in the next run.
//
// The store is a convenience here: when it cannot be read or written the history goes on in
// memory, and nothing the user does waits on it or fails because of it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/registry_store.h"

namespace quillet::sqlwindow {

class QueryHistory {
 public:
  static constexpr std::size_t kMaxEntries = 200;
  // A longer text is not kept: a menu of it would be of no use, and the store stays small.
  static constexpr std::size_t kMaxQueryBytes = 64 * 1024;
  // The position of the text the user was typing before stepping into the history.
  static constexpr int kTyped = -1;

  // Entry k (1 = newest) is the text value "Query<k>".
  static std::string ValueName(std::size_t k);

  QueryHistory() = default;
  QueryHistory(const QueryHistory&) = delete;
  QueryHistory& operator=(const QueryHistory&) = delete;

  // Binds the history to the connection of `displayName` and reads what the store holds for it.
  // Values that are missing, of another type or too long are skipped.
  void Load(config::RegistryStore& store, std::string_view displayName);
  // Forgets the connection and its entries; the store keeps them.
  void Unload();
  bool IsLoaded() const { return store_ != nullptr; }
  const std::string& KeyPath() const { return keyPath_; }

  // Makes `query` the newest entry, in memory only. Not kept: a text that is empty or blank, one
  // holding a zero byte or longer than kMaxQueryBytes, and the newest entry again (compared
  // without trailing blanks). Returns whether it was added.
  bool Add(const std::string& query);
  // As Add, then stores the list. Another window may have run queries on the same connection
  // since this one read them, so the stored list is read again first; once a write has failed,
  // the list in memory is the only whole one and is no longer replaced. False when the store
  // refused the write.
  bool Record(const std::string& query);

  // Empties the list and removes it from the store. False when the store refused.
  bool Clear();

  // Newest first.
  const std::vector<std::string>& Entries() const { return entries_; }
  std::size_t Size() const { return entries_.size(); }

  // Stepping from `position` (kTyped or an entry's index) to the next older or newer one. At the
  // oldest entry Older stays; from the newest Newer goes back to kTyped, and stays there.
  int Older(int position) const;
  int Newer(int position) const;

 private:
  void ReadStored();
  bool WriteStored() const;

  std::vector<std::string> entries_;  // newest first
  config::RegistryStore* store_ = nullptr;
  std::string keyPath_;
  bool writeFailed_ = false;
};

}  // namespace quillet::sqlwindow
