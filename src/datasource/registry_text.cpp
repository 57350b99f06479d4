#include "datasource/registry_text.h"

#include <cstdint>
#include <vector>

namespace quillet::shell {

std::optional<std::string> ReadText(const config::RegKey& key, const std::string& name,
                                    std::size_t maxBytes) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (key.QueryValue(name, &type, &data, maxBytes) != config::ERROR_SUCCESS) return std::nullopt;
  if (type != config::REG_SZ && type != config::REG_EXPAND_SZ) return std::nullopt;
  std::string text(data.begin(), data.end());
  if (auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

config::RegResult WriteText(config::RegKey& key, const std::string& name, const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  return key.SetValue(name, config::REG_SZ, data);
}

}  // namespace quillet::shell
