#pragma once
// The per-user settings store: a hierarchy of keys holding typed values with their exact bytes,
// kept in one SQLite file. The file is $QUILLET_REGISTRY when that is set, else
// $XDG_CONFIG_HOME/quillet/registry.db (~/.config/quillet/registry.db).
//
// Key paths use '\' between names ("Software\Halvane\brantel\quillet\1.6"); names compare
// without letter case and enumerate in the order the platform's registry uses (upper-cased
// byte order). Every write is atomic; a WriteGroup makes several writes one transaction.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quillet::config {

// Value types, with their conventional numbers.
enum : std::uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_DWORD_BIG_ENDIAN = 5,
  REG_LINK = 6,
  REG_MULTI_SZ = 7,
  REG_RESOURCE_LIST = 8,
  REG_FULL_RESOURCE_DESCRIPTOR = 9,
  REG_RESOURCE_REQUIREMENTS_LIST = 10,
  REG_QWORD = 11,
};

// Result codes of store operations, with their conventional numbers.
using RegResult = long;
constexpr RegResult ERROR_SUCCESS = 0;
constexpr RegResult ERROR_FILE_NOT_FOUND = 2;
constexpr RegResult ERROR_ACCESS_DENIED = 5;
constexpr RegResult ERROR_INVALID_HANDLE = 6;
constexpr RegResult ERROR_INVALID_DATA = 13;
constexpr RegResult ERROR_INVALID_PARAMETER = 87;
constexpr RegResult ERROR_MORE_DATA = 234;
constexpr RegResult ERROR_NO_MORE_ITEMS = 259;
constexpr RegResult ERROR_BADDB = 1009;
constexpr RegResult ERROR_KEY_DELETED = 1018;

class RegistryStore;

// An open key. Cheap to copy; closing (or destroying) it only forgets the key.
class RegKey {
 public:
  RegKey() = default;
  bool IsOpen() const { return store_ != nullptr && id_ != 0; }
  const std::string& Path() const { return path_; }

  // Reads a value. ERROR_FILE_NOT_FOUND when missing; ERROR_MORE_DATA when its data is larger
  // than `maxBytes` (data is then left empty).
  RegResult QueryValue(const std::string& name, std::uint32_t* type,
                       std::vector<std::uint8_t>* data, std::size_t maxBytes = SIZE_MAX) const;
  // Writes a value with exactly these bytes.
  RegResult SetValue(const std::string& name, std::uint32_t type,
                     const std::vector<std::uint8_t>& data);
  RegResult SetValue(const std::string& name, std::uint32_t type, const void* data,
                     std::size_t size);
  RegResult DeleteValue(const std::string& name);

  // Enumeration by index, in the store's order. ERROR_NO_MORE_ITEMS past the end.
  RegResult EnumKey(std::uint32_t index, std::string* name) const;
  RegResult EnumValue(std::uint32_t index, std::string* name, std::uint32_t* type,
                      std::vector<std::uint8_t>* data) const;
  // Longest value name (characters) and longest value data (bytes).
  RegResult QueryInfo(std::uint32_t* maxValueNameLen, std::uint32_t* maxValueDataLen) const;

  // Opens or creates a subkey below this key.
  RegResult CreateSubKey(const std::string& subPath, RegKey* out) const;
  RegResult OpenSubKey(const std::string& subPath, RegKey* out) const;

  void Close();

 private:
  friend class RegistryStore;
  RegistryStore* store_ = nullptr;
  std::int64_t id_ = 0;
  std::string path_;
};

class RegistryStore {
 public:
  // Opens (creating) the store file. A file that is damaged or not a store is left untouched:
  // a message goes to standard error and the store works in memory for this run. The path
  // ":memory:" makes a store that lives in memory only.
  explicit RegistryStore(const std::string& filePath);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // The process's store, at the path the environment names.
  static RegistryStore& Default();
  static std::string DefaultPath();

  bool IsPersistent() const;  // false when it fell back to memory
  const std::string& FilePath() const { return path_; }

  // The current user's hive root: open or create a key by path below it.
  RegResult CreateKey(const std::string& path, RegKey* out);
  RegResult OpenKey(const std::string& path, RegKey* out);
  // Removes a key with its values and subkeys (tests and housekeeping).
  RegResult DeleteKeyTree(const std::string& path);

  // Several writes as one transaction: they land together or not at all. Groups nest (only the
  // outermost commits). While a group is open the store serves only the thread that opened it;
  // other threads wait for the group to end.
  class WriteGroup {
   public:
    explicit WriteGroup(RegistryStore& store);
    ~WriteGroup();  // commits
    WriteGroup(const WriteGroup&) = delete;
    WriteGroup& operator=(const WriteGroup&) = delete;

   private:
    RegistryStore& store_;
    bool active_ = false;
  };

 private:
  friend class RegKey;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string path_;
};

}  // namespace quillet::config
