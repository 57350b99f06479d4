#include "config/registry_values.h"

#include <cstdio>

namespace quillet::config {

std::vector<std::uint8_t> EncodeOptionNumber(std::int32_t value) {
  // The text always fits: at most 10 digits and the terminating zero.
  char text[kOptionNumberDataSize] = {};
  std::snprintf(text, sizeof text, "%lu",
                static_cast<unsigned long>(static_cast<std::uint32_t>(value)));
  return std::vector<std::uint8_t>(text, text + kOptionNumberDataSize);
}

std::int32_t ParseOptionNumber(const std::uint8_t* data, std::size_t size) {
  std::size_t i = 0;
  auto isSpace = [](std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < size && isSpace(data[i])) ++i;
  bool negative = false;
  if (i < size && (data[i] == '+' || data[i] == '-')) negative = data[i++] == '-';
  std::uint32_t magnitude = 0;
  for (; i < size && data[i] >= '0' && data[i] <= '9'; ++i) {
    magnitude = magnitude * 10u + static_cast<std::uint32_t>(data[i] - '0');
  }
  if (negative) magnitude = 0u - magnitude;
  return static_cast<std::int32_t>(magnitude);
}

RegResult ReadOptionNumber(const RegKey& key, const std::string& name, OptionValue& option) {
  std::vector<std::uint8_t> data;
  RegResult rc = key.QueryValue(name, nullptr, &data, kOptionNumberReadSize);
  if (rc == ERROR_SUCCESS) option.Set(ParseOptionNumber(data.data(), data.size()));
  return rc;
}

RegResult WriteOptionNumber(RegKey& key, const std::string& name, std::int32_t value) {
  return key.SetValue(name, REG_SZ, EncodeOptionNumber(value));
}

RegResult ReadDword(const RegKey& key, const std::string& name, std::uint32_t* value) {
  std::vector<std::uint8_t> data;
  RegResult rc = key.QueryValue(name, nullptr, &data, 4);
  if (rc != ERROR_SUCCESS) return rc;
  if (data.size() != 4) return ERROR_INVALID_DATA;
  *value = std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
           std::uint32_t{data[3]} << 24;
  return ERROR_SUCCESS;
}

RegResult WriteDword(RegKey& key, const std::string& name, std::uint32_t value) {
  const std::uint8_t bytes[4] = {
      static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  return key.SetValue(name, REG_DWORD, bytes, sizeof bytes);
}

}  // namespace quillet::config
