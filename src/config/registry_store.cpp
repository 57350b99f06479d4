#include "config/registry_store.h"

#include <sqlite3.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace quillet::config {
namespace {

// "QREG": marks a file as ours, so a foreign SQLite database is never taken for a store.
constexpr int kApplicationId = 0x51524547;
constexpr int kBusyTimeoutMs = 10000;
constexpr std::int64_t kHiveRootId = 1;
constexpr char kCollation[] = "REGNAME";

constexpr char kSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE REGNAME,
  UNIQUE(parent, name));
CREATE TABLE IF NOT EXISTS key_values(
  key INTEGER NOT NULL,
  name TEXT NOT NULL COLLATE REGNAME,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, name)) WITHOUT ROWID;
INSERT OR IGNORE INTO keys(id, parent, name) VALUES(1, 0, '');
PRAGMA application_id = 1364346183;
PRAGMA user_version = 1;
)sql";
static_assert(kApplicationId == 1364346183, "the schema's application_id");

// Names compare as the platform's registry compares them: upper-cased, byte by byte. Only
// ASCII letters change case, so the order never depends on the locale an index was built in.
int CompareNames(void*, int lengthA, const void* a, int lengthB, const void* b) {
  const auto* pa = static_cast<const unsigned char*>(a);
  const auto* pb = static_cast<const unsigned char*>(b);
  const int common = std::min(lengthA, lengthB);
  for (int i = 0; i < common; ++i) {
    unsigned ca = pa[i], cb = pb[i];
    if (ca >= 'a' && ca <= 'z') ca -= 'a' - 'A';
    if (cb >= 'a' && cb <= 'z') cb -= 'a' - 'A';
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return lengthA == lengthB ? 0 : (lengthA < lengthB ? -1 : 1);
}

enum Statement {
  kFindChild,
  kInsertKey,
  kKeyExists,
  kQueryValue,
  kSetValue,
  kDeleteValue,
  kEnumKey,
  kEnumValue,
  kQueryInfo,
  kDeleteTreeValues,
  kDeleteTreeKeys,
  kStatementCount
};

constexpr std::array<const char*, kStatementCount> kStatementSql = {
    "SELECT id FROM keys WHERE parent = ?1 AND name = ?2",
    "INSERT INTO keys(parent, name) VALUES(?1, ?2)",
    "SELECT 1 FROM keys WHERE id = ?1",
    "SELECT type, data FROM key_values WHERE key = ?1 AND name = ?2",
    "INSERT INTO key_values(key, name, type, data) VALUES(?1, ?2, ?3, ?4) "
    "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM key_values WHERE key = ?1 AND name = ?2",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    "SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY name LIMIT 1 OFFSET ?2",
    "SELECT max(length(CAST(name AS BLOB))), max(length(data)) FROM key_values WHERE key = ?1",
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree "
    "ON keys.parent = tree.id) DELETE FROM key_values WHERE key IN tree",
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN tree "
    "ON keys.parent = tree.id) DELETE FROM keys WHERE id IN tree",
};

RegResult FromSqlite(int rc) {
  switch (rc & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return ERROR_SUCCESS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_BADDB;
  }
}

// The components of a '\'-separated path; empty components (doubled or outer separators) are
// skipped, so "\a\\b\" names the same key as "a\b".
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string JoinPath(const std::string& base, const std::vector<std::string_view>& parts) {
  std::string result = base;
  for (std::string_view part : parts) {
    if (!result.empty()) result += '\\';
    result += part;
  }
  return result;
}

// Creates every missing folder above `filePath` (mode 0700, as a per-user settings folder).
void CreateParentFolders(const std::string& filePath) {
  std::size_t slash = filePath.rfind('/');
  if (slash == std::string::npos || slash == 0) return;
  std::string folder = filePath.substr(0, slash);
  for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos == folder.size() || folder[pos] == '/') {
      std::string prefix = folder.substr(0, pos);
      if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
  }
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::array<char, 4096> buffer{};
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return ".";
}

// Failures of the file rather than of the request: no permission, no room, an I/O error.
bool IsStorageFailure(int rc) {
  switch (rc & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_FULL:
    case SQLITE_IOERR:
      return true;
    default:
      return false;
  }
}

}  // namespace

struct RegistryStore::Impl {
  std::recursive_mutex mutex;
  sqlite3* db = nullptr;
  std::string path;
  bool persistent = false;
  bool writeFailureSaid = false;
  int groupDepth = 0;
  std::array<sqlite3_stmt*, kStatementCount> statements{};

  ~Impl() { Close(); }

  void Close() {
    for (sqlite3_stmt*& statement : statements) {
      sqlite3_finalize(statement);
      statement = nullptr;
    }
    if (db != nullptr) sqlite3_close_v2(db);
    db = nullptr;
  }

  int Exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

  // The result of a failed write. The first write the file refuses is said once on standard
  // error; the settings changed since stay in effect until the program ends.
  RegResult WriteFailed(int rc) {
    if (persistent && !writeFailureSaid && IsStorageFailure(rc)) {
      writeFailureSaid = true;
      std::fprintf(stderr,
                   "quillet: cannot save settings to %s (%s); settings changed in this run will "
                   "not be kept\n",
                   path.c_str(), sqlite3_errstr(rc));
    }
    return FromSqlite(rc);
  }

  // A prepared statement, reset and unbound when the holder goes out of scope.
  class Query {
   public:
    Query(Impl& impl, Statement which) : statement_(impl.statements[which]) {}
    ~Query() {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Bind(int index, std::int64_t value) {
      sqlite3_bind_int64(statement_, index, value);
      return *this;
    }
    Query& Bind(int index, std::string_view text) {
      sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT);
      return *this;
    }
    Query& BindBlob(int index, const void* data, std::size_t size) {
      // A null pointer would bind NULL; empty data must stay an empty blob.
      if (size == 0) {
        sqlite3_bind_zeroblob(statement_, index, 0);
      } else {
        sqlite3_bind_blob64(statement_, index, data, size, SQLITE_TRANSIENT);
      }
      return *this;
    }
    int Step() { return sqlite3_step(statement_); }
    std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string Text(int column) const {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
      return text == nullptr ? std::string()
                             : std::string(text, sqlite3_column_bytes(statement_, column));
    }
    std::size_t BlobSize(int column) const {
      return static_cast<std::size_t>(sqlite3_column_bytes(statement_, column));
    }
    void Blob(int column, std::vector<std::uint8_t>* out) const {
      const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
      const std::size_t size = BlobSize(column);
      if (data == nullptr) {
        out->clear();
      } else {
        out->assign(data, data + size);
      }
    }

   private:
    sqlite3_stmt* statement_;
  };

  // Makes one store operation atomic: its own IMMEDIATE transaction (the write lock is taken
  // before reading, so a busy file waits instead of failing), or a savepoint inside a group.
  class WriteScope {
   public:
    explicit WriteScope(Impl& impl) : impl_(impl), nested_(impl.groupDepth > 0) {
      const int rc = impl_.Exec(nested_ ? "SAVEPOINT op" : "BEGIN IMMEDIATE");
      result_ = rc == SQLITE_OK ? ERROR_SUCCESS : impl_.WriteFailed(rc);
    }
    ~WriteScope() {
      if (result_ != ERROR_SUCCESS || committed_) return;
      if (nested_) {
        impl_.Exec("ROLLBACK TO op");
        impl_.Exec("RELEASE op");
      } else {
        impl_.Exec("ROLLBACK");
      }
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    RegResult Status() const { return result_; }
    RegResult Commit() {
      int rc = impl_.Exec(nested_ ? "RELEASE op" : "COMMIT");
      if (rc != SQLITE_OK) return impl_.WriteFailed(rc);
      committed_ = true;
      return ERROR_SUCCESS;
    }

   private:
    Impl& impl_;
    bool nested_;
    bool committed_ = false;
    RegResult result_;
  };

  bool KeyExists(std::int64_t id) {
    Query query(*this, kKeyExists);
    return query.Bind(1, id).Step() == SQLITE_ROW;
  }

  // Finds (and with `create`, makes) the key at `parts` below `from`. 0 when missing.
  RegResult Walk(std::int64_t from, const std::vector<std::string_view>& parts, bool create,
                 std::int64_t* found) {
    std::int64_t current = from;
    for (std::string_view part : parts) {
      std::int64_t child = 0;
      {
        Query query(*this, kFindChild);
        int rc = query.Bind(1, current).Bind(2, part).Step();
        if (rc == SQLITE_ROW) {
          child = query.Int(0);
        } else if (rc != SQLITE_DONE) {
          return FromSqlite(rc);
        }
      }
      if (child == 0) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        Query insert(*this, kInsertKey);
        int rc = insert.Bind(1, current).Bind(2, part).Step();
        if (rc != SQLITE_DONE) return WriteFailed(rc);
        child = sqlite3_last_insert_rowid(db);
      }
      current = child;
    }
    *found = current;
    return ERROR_SUCCESS;
  }

  RegResult OpenOrCreate(std::int64_t from, const std::string& basePath, const std::string& subPath,
                         bool create, RegistryStore* store, RegKey* out) {
    if (out == nullptr) return ERROR_INVALID_PARAMETER;
    const auto parts = SplitPath(subPath);
    std::int64_t id = 0;
    if (create) {
      WriteScope scope(*this);
      if (scope.Status() != ERROR_SUCCESS) return scope.Status();
      if (!KeyExists(from)) return ERROR_KEY_DELETED;
      RegResult rc = Walk(from, parts, true, &id);
      if (rc != ERROR_SUCCESS) return rc;
      if ((rc = scope.Commit()) != ERROR_SUCCESS) return rc;
    } else {
      RegResult rc = Walk(from, parts, false, &id);
      if (rc == ERROR_FILE_NOT_FOUND && !KeyExists(from)) return ERROR_KEY_DELETED;
      if (rc != ERROR_SUCCESS) return rc;
    }
    RegKey key;
    key.store_ = store;
    key.id_ = id;
    key.path_ = JoinPath(basePath, parts);
    *out = std::move(key);
    return ERROR_SUCCESS;
  }

  bool Prepare() {
    for (std::size_t i = 0; i < statements.size(); ++i) {
      if (sqlite3_prepare_v3(db, kStatementSql[i], -1, SQLITE_PREPARE_PERSISTENT, &statements[i],
                             nullptr) != SQLITE_OK) {
        return false;
      }
    }
    return true;
  }

  // Connects to `path` with the store's settings; false (db still set) when SQLite refuses.
  bool Connect(const char* path, int flags) {
    if (sqlite3_open_v2(path, &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      return false;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return sqlite3_create_collation(db, kCollation, SQLITE_UTF8, nullptr, CompareNames) ==
           SQLITE_OK;
  }

  enum class Kind { kOurs, kEmpty, kForeign, kDamaged, kUnusable };

  int ReadInt(const char* sql, int* value) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
      rc = sqlite3_step(statement);
      if (rc == SQLITE_ROW) {
        *value = sqlite3_column_int(statement, 0);
        rc = SQLITE_OK;
      }
    }
    sqlite3_finalize(statement);
    return rc;
  }

  // Looks at the opened file without writing to it.
  Kind Classify(std::string* reason) {
    int applicationId = 0, objects = 0;
    // One snapshot for both: another process may be making the file a store right now.
    int rc = Exec("BEGIN");
    if (rc == SQLITE_OK) rc = ReadInt("PRAGMA application_id", &applicationId);
    if (rc == SQLITE_OK) rc = ReadInt("SELECT count(*) FROM sqlite_master", &objects);
    if (!sqlite3_get_autocommit(db)) Exec("COMMIT");
    if (rc != SQLITE_OK) {
      *reason = sqlite3_errstr(rc);
      // A file that cannot be read here (no permission for it or its folder) is not damaged.
      return IsStorageFailure(rc) ? Kind::kUnusable : Kind::kDamaged;
    }
    if (applicationId == 0 && objects == 0) return Kind::kEmpty;
    if (applicationId != kApplicationId) {
      *reason = "it is another program's SQLite database";
      return Kind::kForeign;
    }
    if (!Prepare()) {
      *reason = std::string("its tables are not a settings store's (") + sqlite3_errmsg(db) + ")";
      return Kind::kForeign;
    }
    sqlite3_stmt* check = nullptr;
    std::string verdict;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
      verdict = text != nullptr ? text : "";
    } else {
      verdict = sqlite3_errmsg(db);
    }
    sqlite3_finalize(check);
    if (verdict != "ok") {
      *reason = verdict;
      return Kind::kDamaged;
    }
    return Kind::kOurs;
  }

  // Makes an empty file a store. Another process may be doing the same at this moment: the
  // IMMEDIATE transaction serialises the two and the schema statements are idempotent.
  // SQLITE_OK, or the code of the step that failed.
  int Initialise(bool wal) {
    if (wal) Exec("PRAGMA journal_mode=WAL");
    if (const int rc = Exec("BEGIN IMMEDIATE"); rc != SQLITE_OK) return rc;
    if (const int rc = Exec(kSchema); rc != SQLITE_OK) {
      Exec("ROLLBACK");
      return rc;
    }
    return Exec("COMMIT");
  }

  void OpenInMemory() {
    Close();
    persistent = false;
    if (Connect(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) &&
        Initialise(false) == SQLITE_OK) {
      Prepare();
    }
  }

  void Open(const std::string& filePath) {
    path = filePath;
    if (path == ":memory:") {
      OpenInMemory();
      return;
    }
    CreateParentFolders(path);
    std::string reason;
    Kind kind = Kind::kUnusable;
    if (Connect(path.c_str(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) {
      kind = Classify(&reason);
      if (kind == Kind::kEmpty) {
        const int rc = Initialise(true);
        if (rc == SQLITE_OK && Prepare()) {
          kind = Kind::kOurs;
        } else {
          reason = rc != SQLITE_OK ? sqlite3_errstr(rc) : sqlite3_errmsg(db);
          // No room or no permission to make the store is not a damaged file.
          kind = IsStorageFailure(rc) ? Kind::kUnusable : Kind::kDamaged;
        }
      }
    } else {
      reason = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    }
    if (kind == Kind::kUnusable) {
      if (db != nullptr) sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
      std::fprintf(stderr,
                   "quillet: cannot open the settings file %s (%s); using default settings for "
                   "this run\n",
                   path.c_str(), reason.c_str());
      OpenInMemory();
      return;
    }
    if (kind == Kind::kOurs) {
      Exec("PRAGMA journal_mode=WAL");  // a no-op once the file is in WAL mode
      persistent = true;
      return;
    }
    // Closing must not checkpoint a write-ahead log into a file that is not ours.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    std::fprintf(stderr,
                 "quillet: the settings file %s is %s (%s); using default settings for this run "
                 "and leaving the file untouched\n",
                 path.c_str(), kind == Kind::kForeign ? "not a Quillet settings store" : "damaged",
                 reason.c_str());
    OpenInMemory();
  }
};

// --- RegKey -----------------------------------------------------------------------------------

RegResult RegKey::QueryValue(const std::string& name, std::uint32_t* type,
                             std::vector<std::uint8_t>* data, std::size_t maxBytes) const {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  auto& impl = *store_->impl_;
  std::lock_guard lock(impl.mutex);
  RegistryStore::Impl::Query query(impl, kQueryValue);
  int rc = query.Bind(1, id_).Bind(2, name).Step();
  if (rc == SQLITE_DONE) return impl.KeyExists(id_) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  if (type != nullptr) *type = static_cast<std::uint32_t>(query.Int(0));
  if (query.BlobSize(1) > maxBytes) {
    if (data != nullptr) data->clear();
    return ERROR_MORE_DATA;
  }
  if (data != nullptr) query.Blob(1, data);
  return ERROR_SUCCESS;
}

RegResult RegKey::SetValue(const std::string& name, std::uint32_t type,
                           const std::vector<std::uint8_t>& data) {
  return SetValue(name, type, data.data(), data.size());
}

RegResult RegKey::SetValue(const std::string& name, std::uint32_t type, const void* data,
                           std::size_t size) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  auto& impl = *store_->impl_;
  std::lock_guard lock(impl.mutex);
  RegistryStore::Impl::WriteScope scope(impl);
  if (scope.Status() != ERROR_SUCCESS) return scope.Status();
  if (!impl.KeyExists(id_)) return ERROR_KEY_DELETED;
  {
    RegistryStore::Impl::Query query(impl, kSetValue);
    int rc =
        query.Bind(1, id_).Bind(2, name).Bind(3, std::int64_t{type}).BindBlob(4, data, size).Step();
    if (rc != SQLITE_DONE) return impl.WriteFailed(rc);
  }
  return scope.Commit();
}

RegResult RegKey::DeleteValue(const std::string& name) {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  auto& impl = *store_->impl_;
  std::lock_guard lock(impl.mutex);
  RegistryStore::Impl::WriteScope scope(impl);
  if (scope.Status() != ERROR_SUCCESS) return scope.Status();
  {
    RegistryStore::Impl::Query query(impl, kDeleteValue);
    int rc = query.Bind(1, id_).Bind(2, name).Step();
    if (rc != SQLITE_DONE) return impl.WriteFailed(rc);
  }
  if (sqlite3_changes(impl.db) == 0) {
    return impl.KeyExists(id_) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
  }
  return scope.Commit();
}

RegResult RegKey::EnumKey(std::uint32_t index, std::string* name) const {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  auto& impl = *store_->impl_;
  std::lock_guard lock(impl.mutex);
  RegistryStore::Impl::Query query(impl, kEnumKey);
  int rc = query.Bind(1, id_).Bind(2, std::int64_t{index}).Step();
  if (rc == SQLITE_DONE) return impl.KeyExists(id_) ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  if (name != nullptr) *name = query.Text(0);
  return ERROR_SUCCESS;
}

RegResult RegKey::EnumValue(std::uint32_t index, std::string* name, std::uint32_t* type,
                            std::vector<std::uint8_t>* data) const {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  auto& impl = *store_->impl_;
  std::lock_guard lock(impl.mutex);
  RegistryStore::Impl::Query query(impl, kEnumValue);
  int rc = query.Bind(1, id_).Bind(2, std::int64_t{index}).Step();
  if (rc == SQLITE_DONE) return impl.KeyExists(id_) ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  if (name != nullptr) *name = query.Text(0);
  if (type != nullptr) *type = static_cast<std::uint32_t>(query.Int(1));
  if (data != nullptr) query.Blob(2, data);
  return ERROR_SUCCESS;
}

RegResult RegKey::QueryInfo(std::uint32_t* maxValueNameLen, std::uint32_t* maxValueDataLen) const {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  auto& impl = *store_->impl_;
  std::lock_guard lock(impl.mutex);
  if (!impl.KeyExists(id_)) return ERROR_KEY_DELETED;
  RegistryStore::Impl::Query query(impl, kQueryInfo);
  int rc = query.Bind(1, id_).Step();
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  if (maxValueNameLen != nullptr) *maxValueNameLen = static_cast<std::uint32_t>(query.Int(0));
  if (maxValueDataLen != nullptr) *maxValueDataLen = static_cast<std::uint32_t>(query.Int(1));
  return ERROR_SUCCESS;
}

RegResult RegKey::CreateSubKey(const std::string& subPath, RegKey* out) const {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(store_->impl_->mutex);
  return store_->impl_->OpenOrCreate(id_, path_, subPath, true, store_, out);
}

RegResult RegKey::OpenSubKey(const std::string& subPath, RegKey* out) const {
  if (!IsOpen()) return ERROR_INVALID_HANDLE;
  std::lock_guard lock(store_->impl_->mutex);
  return store_->impl_->OpenOrCreate(id_, path_, subPath, false, store_, out);
}

void RegKey::Close() {
  store_ = nullptr;
  id_ = 0;
  path_.clear();
}

// --- RegistryStore ----------------------------------------------------------------------------

RegistryStore::RegistryStore(const std::string& filePath)
    : impl_(std::make_unique<Impl>()), path_(filePath) {
  impl_->Open(filePath);
}

RegistryStore::~RegistryStore() = default;

RegistryStore& RegistryStore::Default() {
  static RegistryStore store(DefaultPath());
  return store;
}

std::string RegistryStore::DefaultPath() {
  if (const char* named = std::getenv("QUILLET_REGISTRY"); named != nullptr && *named != '\0') {
    return named;
  }
  std::string base;
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    base = HomeFolder() + "/.config";
  }
  return base + "/quillet/registry.db";
}

bool RegistryStore::IsPersistent() const {
  return impl_->persistent;
}

RegResult RegistryStore::CreateKey(const std::string& path, RegKey* out) {
  std::lock_guard lock(impl_->mutex);
  return impl_->OpenOrCreate(kHiveRootId, "", path, true, this, out);
}

RegResult RegistryStore::OpenKey(const std::string& path, RegKey* out) {
  std::lock_guard lock(impl_->mutex);
  return impl_->OpenOrCreate(kHiveRootId, "", path, false, this, out);
}

RegResult RegistryStore::DeleteKeyTree(const std::string& path) {
  std::lock_guard lock(impl_->mutex);
  const auto parts = SplitPath(path);
  if (parts.empty()) return ERROR_ACCESS_DENIED;  // the hive itself stays
  Impl::WriteScope scope(*impl_);
  if (scope.Status() != ERROR_SUCCESS) return scope.Status();
  std::int64_t id = 0;
  RegResult result = impl_->Walk(kHiveRootId, parts, false, &id);
  if (result != ERROR_SUCCESS) return result;
  for (Statement statement : {kDeleteTreeValues, kDeleteTreeKeys}) {
    Impl::Query query(*impl_, statement);
    int rc = query.Bind(1, id).Step();
    if (rc != SQLITE_DONE) return impl_->WriteFailed(rc);
  }
  return scope.Commit();
}

RegistryStore::WriteGroup::WriteGroup(RegistryStore& store) : store_(store) {
  Impl& impl = *store_.impl_;
  impl.mutex.lock();
  const int rc = impl.groupDepth > 0 ? SQLITE_OK : impl.Exec("BEGIN IMMEDIATE");
  if (rc == SQLITE_OK) {
    ++impl.groupDepth;
    active_ = true;
  } else {
    impl.WriteFailed(rc);
    // The file stayed locked past the busy timeout: the writes go one by one instead.
    impl.mutex.unlock();
  }
}

RegistryStore::WriteGroup::~WriteGroup() {
  if (!active_) return;
  Impl& impl = *store_.impl_;
  // A failed write may have rolled the transaction back already (SQLite does so on a full
  // disk, for instance); then there is nothing left to commit.
  if (--impl.groupDepth == 0 && !sqlite3_get_autocommit(impl.db)) {
    if (const int rc = impl.Exec("COMMIT"); rc != SQLITE_OK) {
      impl.WriteFailed(rc);
      impl.Exec("ROLLBACK");
    }
  }
  impl.mutex.unlock();
}

}  // namespace quillet::config
