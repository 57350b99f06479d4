#pragma once
// What the ODBC driver manager knows: its data source names and its drivers.

#include <string>
#include <vector>

namespace quillet::ui {

struct OdbcDataSourceName {
  std::string name;
  std::string description;  // the driver's name, as the driver manager gives it
};

std::vector<OdbcDataSourceName> ListOdbcDataSources();
std::vector<std::string> ListOdbcDrivers();

}  // namespace quillet::ui
