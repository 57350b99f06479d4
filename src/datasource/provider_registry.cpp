#include "datasource/provider_registry.h"

#include <mutex>
#include <utility>

namespace quillet::db {
namespace {

struct Entry {
  std::string name;
  DataSourceFactory factory;
};

struct Registry {
  std::mutex mutex;
  std::vector<Entry> entries{
      {"SQLite", &CreateSqliteDataSource},
      {"MSDASQL", &CreateOdbcDataSource},
      {"ODBC", &CreateOdbcDataSource},
  };
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

DataSourceFactory FindLocked(Registry& registry, std::string_view name) {
  for (const auto& entry : registry.entries) {
    if (InitKeyEquals(entry.name, name)) return entry.factory;
  }
  return nullptr;
}

}  // namespace

void RegisterProvider(std::string name, DataSourceFactory factory) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  for (auto& entry : registry.entries) {
    if (InitKeyEquals(entry.name, name)) {
      entry.factory = factory;
      return;
    }
  }
  registry.entries.push_back({std::move(name), factory});
}

DataSourceFactory FindProvider(std::string_view name) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  if (auto factory = FindLocked(registry, name)) return factory;
  // Data link files written elsewhere name versioned providers ("MSDASQL.1").
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot + 1 < name.size() &&
      name.find_first_not_of("0123456789", dot + 1) == std::string_view::npos) {
    return FindLocked(registry, name.substr(0, dot));
  }
  return nullptr;
}

std::vector<std::string> ProviderNames() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  std::vector<std::string> names;
  for (const auto& entry : registry.entries) names.push_back(entry.name);
  return names;
}

}  // namespace quillet::db
