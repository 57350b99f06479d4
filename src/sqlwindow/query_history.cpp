#include "sqlwindow/query_history.h"

#include "datasource/registry_text.h"
#include "sqlwindow/history_key.h"

namespace quillet::sqlwindow {
namespace {

std::string_view WithoutTrailingBlanks(std::string_view text) {
  const std::size_t end = text.find_last_not_of(" \t\r\n\f\v");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

std::string QueryHistory::ValueName(std::size_t k) {
  return "Query" + std::to_string(k);
}

void QueryHistory::Load(config::RegistryStore& store, std::string_view displayName) {
  store_ = &store;
  keyPath_ = HistoryKeyPath(displayName);
  writeFailed_ = false;
  entries_.clear();
  ReadStored();
}

void QueryHistory::Unload() {
  store_ = nullptr;
  keyPath_.clear();
  entries_.clear();
  writeFailed_ = false;
}

bool QueryHistory::Add(const std::string& query) {
  const std::string_view trimmed = WithoutTrailingBlanks(query);
  if (trimmed.empty() || query.size() > kMaxQueryBytes || query.find('\0') != std::string::npos) {
    return false;
  }
  if (!entries_.empty() && WithoutTrailingBlanks(entries_.front()) == trimmed) return false;
  entries_.insert(entries_.begin(), query);
  if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
  return true;
}

bool QueryHistory::Record(const std::string& query) {
  if (store_ == nullptr) {
    Add(query);
    return true;
  }
  // One transaction: another process's write cannot land between the read and the write.
  config::RegistryStore::WriteGroup group(*store_);
  if (!writeFailed_) ReadStored();
  if (!Add(query)) return true;
  writeFailed_ = !WriteStored();
  return !writeFailed_;
}

bool QueryHistory::Clear() {
  entries_.clear();
  if (store_ == nullptr) return true;
  const config::RegResult result = store_->DeleteKeyTree(keyPath_);
  // Left in the store, the old entries would come back with the next query's read.
  if (result == config::ERROR_SUCCESS || result == config::ERROR_FILE_NOT_FOUND) return true;
  writeFailed_ = true;
  return false;
}

int QueryHistory::Older(int position) const {
  return position + 1 < static_cast<int>(entries_.size()) ? position + 1 : position;
}

int QueryHistory::Newer(int position) const {
  return position > kTyped ? position - 1 : kTyped;
}

void QueryHistory::ReadStored() {
  config::RegKey key;
  const config::RegResult opened = store_->OpenKey(keyPath_, &key);
  if (opened == config::ERROR_FILE_NOT_FOUND) {
    entries_.clear();  // never stored, or cleared by another window
    return;
  }
  if (opened != config::ERROR_SUCCESS) return;  // unreadable: keep what is in memory
  std::vector<std::string> stored;
  for (std::size_t k = 1; k <= kMaxEntries; ++k) {
    auto text = shell::ReadText(key, ValueName(k), kMaxQueryBytes + 1);
    if (text && !WithoutTrailingBlanks(*text).empty()) stored.push_back(std::move(*text));
  }
  entries_ = std::move(stored);
}

bool QueryHistory::WriteStored() const {
  config::RegKey key;
  if (store_->CreateKey(keyPath_, &key) != config::ERROR_SUCCESS) return false;
  config::RegistryStore::WriteGroup group(*store_);
  // A refused write is refused for the rest too; stopping at once keeps a locked store from
  // holding the window up once per entry.
  for (std::size_t k = 1; k <= entries_.size(); ++k) {
    if (shell::WriteText(key, ValueName(k), entries_[k - 1]) != config::ERROR_SUCCESS) return false;
  }
  // Entries of a longer list stored earlier would come back on the next read.
  for (std::size_t k = entries_.size() + 1; k <= kMaxEntries; ++k) key.DeleteValue(ValueName(k));
  return true;
}

}  // namespace quillet::sqlwindow
