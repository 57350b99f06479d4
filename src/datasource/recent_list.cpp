#include "datasource/recent_list.h"

#include <algorithm>
#include <cstdint>

#include "config/registry_values.h"
#include "datasource/path_shortening.h"
#include "datasource/registry_text.h"

namespace quillet::shell {
namespace {

constexpr const char* kCountValue = "DocumentCount";
constexpr std::size_t kRecordBytes = 1024;
// The most "Document%i" values a list of the largest maximum can leave behind.
constexpr int kMostDocumentValues = RecentList::kMaximumMaximum;

std::string DocumentValueName(int index) {
  return "Document" + std::to_string(index);
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return lower(x) == lower(y);
  });
}

}  // namespace

void RecentList::AttachMenu(MenuModel* menu) {
  std::lock_guard lock(mutex_);
  menu_ = menu;
  if (menu_ == nullptr) return;
  // Only the placeholder (disabled) carries the empty text; an enabled item 57616 is an entry
  // from an earlier fill and must not become it.
  if (auto position = menu_->Find(kFirstCommandId)) {
    const MenuItem& item = menu_->At(*position);
    if (item.text.empty()) {
      emptyText_ = "(empty)";
    } else if (!item.enabled) {
      emptyText_ = Utf8Prefix(item.text, kRecordBytes - 1);
    }
  }
}

bool RecentList::ReadFromRegistry(const std::string& rootKeyPath, config::RegistryStore& store) {
  config::RegKey root;
  if (store.OpenKey(rootKeyPath, &root) != config::ERROR_SUCCESS) return false;
  config::RegKey key;
  if (root.OpenSubKey(kKeyName, &key) != config::ERROR_SUCCESS) return false;
  std::uint32_t count = 0;
  if (config::ReadDword(key, kCountValue, &count) != config::ERROR_SUCCESS) return false;

  std::lock_guard lock(mutex_);
  maximum_ = std::clamp(static_cast<int>(static_cast<std::int32_t>(count)), kMinimumMaximum,
                        kMaximumMaximum);
  entries_.clear();
  for (int i = maximum_; i >= 1; --i) {
    auto path = ReadText(key, DocumentValueName(i), kRecordBytes);
    if (path && !path->empty()) entries_.push_back(std::move(*path));
  }
  UpdateMenuLocked();
  return true;
}

bool RecentList::WriteToRegistry(const std::string& rootKeyPath,
                                 config::RegistryStore& store) const {
  config::RegKey key;
  if (store.CreateKey(rootKeyPath + "\\" + kKeyName, &key) != config::ERROR_SUCCESS) return false;

  std::lock_guard lock(mutex_);
  config::RegistryStore::WriteGroup group(store);
  bool ok = config::WriteDword(key, kCountValue, static_cast<std::uint32_t>(maximum_)) ==
            config::ERROR_SUCCESS;
  const int count = static_cast<int>(entries_.size());
  for (int i = count; i >= 1; --i) {
    const std::string& entry = entries_[static_cast<std::size_t>(count - i)];
    if (WriteText(key, DocumentValueName(i), entry) != config::ERROR_SUCCESS) ok = false;
  }
  // Values of a longer list written earlier would come back on the next read.
  for (int i = count + 1; i <= kMostDocumentValues; ++i) key.DeleteValue(DocumentValueName(i));
  return ok;
}

bool RecentList::AddToList(const std::string& path) {
  if (path.empty() || path.size() > kMaxPathBytes) return false;
  std::lock_guard lock(mutex_);
  auto same = std::find_if(entries_.begin(), entries_.end(), [&](const std::string& entry) {
    return EqualIgnoringCase(entry, path);
  });
  if (same != entries_.end()) entries_.erase(same);
  while (!entries_.empty() && static_cast<int>(entries_.size()) >= maximum_) {
    entries_.erase(entries_.begin());
  }
  entries_.push_back(path);
  UpdateMenuLocked();
  return true;
}

std::string RecentList::EntryForCommand(unsigned commandId) const {
  std::lock_guard lock(mutex_);
  const long long count = static_cast<long long>(entries_.size());
  const long long index = count - (static_cast<long long>(commandId) - kFirstCommandId) - 1;
  if (index < 0 || index >= count) return {};
  return entries_[static_cast<std::size_t>(index)];
}

void RecentList::SetMaximum(int maximum) {
  std::lock_guard lock(mutex_);
  maximum_ = std::clamp(maximum, kMinimumMaximum, kMaximumMaximum);
}

int RecentList::Maximum() const {
  std::lock_guard lock(mutex_);
  return maximum_;
}

void RecentList::SetItemLengthLimit(int limit) {
  std::lock_guard lock(mutex_);
  itemLengthLimit_ = limit == -1 ? -1 : std::clamp(limit, 6, 1024);
}

int RecentList::ItemLengthLimit() const {
  std::lock_guard lock(mutex_);
  return itemLengthLimit_;
}

std::vector<std::string> RecentList::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::string RecentList::EmptyText() const {
  std::lock_guard lock(mutex_);
  return emptyText_;
}

void RecentList::UpdateMenu() {
  std::lock_guard lock(mutex_);
  UpdateMenuLocked();
}

void RecentList::UpdateMenuLocked() {
  if (menu_ == nullptr) return;
  // Without the placeholder the menu has no place for the list.
  if (!menu_->Find(kFirstCommandId)) return;
  for (unsigned id = kFirstCommandId + 1; id <= kLastCommandId; ++id) menu_->RemoveId(id);
  const std::size_t position = *menu_->Find(kFirstCommandId);

  const std::size_t count = entries_.size();
  if (count > 0) {
    for (std::size_t k = 1; k <= count; ++k) {
      MenuItem item;
      item.id = kFirstCommandId + static_cast<unsigned>(k) - 1;
      item.text =
          "&" + std::to_string(k) + " " + ShortenPath(entries_[count - k], itemLengthLimit_);
      menu_->Insert(position + k - 1, std::move(item));
    }
    menu_->RemoveAt(position + count);
  } else {
    menu_->Insert(position, MenuItem{kFirstCommandId, emptyText_, false, false});
    menu_->RemoveAt(position + 1);
  }
}

}  // namespace quillet::shell
