#include "datasource/ui/odbc_catalog.h"

#include <sql.h>
#include <sqlext.h>

#include <memory>

namespace quillet::ui {
namespace {

// One environment handle for one listing; freed on every path.
class OdbcEnvironment {
 public:
  OdbcEnvironment() {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
      env_ = SQL_NULL_HENV;
      return;
    }
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  ~OdbcEnvironment() {
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  OdbcEnvironment(const OdbcEnvironment&) = delete;
  OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;
  SQLHENV get() const { return env_; }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
};

std::string FromBuffer(const SQLCHAR* buffer, SQLSMALLINT length, std::size_t capacity) {
  const auto size = static_cast<std::size_t>(length < 0 ? 0 : length);
  return std::string(reinterpret_cast<const char*>(buffer), std::min(size, capacity - 1));
}

}  // namespace

std::vector<OdbcDataSourceName> ListOdbcDataSources() {
  std::vector<OdbcDataSourceName> result;
  OdbcEnvironment env;
  if (env.get() == SQL_NULL_HENV) return result;
  SQLCHAR name[SQL_MAX_DSN_LENGTH + 1];
  SQLCHAR description[512];
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    const SQLRETURN rc = SQLDataSources(env.get(), direction, name, sizeof name, &nameLength,
                                        description, sizeof description, &descriptionLength);
    if (!SQL_SUCCEEDED(rc)) break;
    result.push_back({FromBuffer(name, nameLength, sizeof name),
                      FromBuffer(description, descriptionLength, sizeof description)});
    direction = SQL_FETCH_NEXT;
  }
  return result;
}

std::vector<std::string> ListOdbcDrivers() {
  std::vector<std::string> result;
  OdbcEnvironment env;
  if (env.get() == SQL_NULL_HENV) return result;
  SQLCHAR name[512];
  SQLCHAR attributes[2048];
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    const SQLRETURN rc = SQLDrivers(env.get(), direction, name, sizeof name, &nameLength,
                                    attributes, sizeof attributes, &attributesLength);
    if (!SQL_SUCCEEDED(rc)) break;
    result.push_back(FromBuffer(name, nameLength, sizeof name));
    direction = SQL_FETCH_NEXT;
  }
  return result;
}

}  // namespace quillet::ui
