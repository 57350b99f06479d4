#include "datasource/value.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "datasource/text_convert.h"

namespace quillet::db {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string FormatInteger(std::int64_t value) {
  char buffer[24];
  const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end.ptr);
}

std::string FormatReal(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  char buffer[40];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  std::string text = buffer;
  if (text.find_first_of(".eEn") == std::string::npos) text += ".0";
  return text;
}

std::string ValueAsText(const CellValue& value) {
  switch (value.kind) {
    case ValueKind::Null:
      return {};
    case ValueKind::Integer:
      return value.data.empty() ? FormatInteger(value.integer) : value.data;
    case ValueKind::Real:
      return value.data.empty() ? FormatReal(value.real) : value.data;
    case ValueKind::Text:
    case ValueKind::Bytes:
      return value.data;
  }
  return {};
}

std::string ValueAsColumnBytes(const CellValue& value, DBTYPE columnType) {
  if (value.kind == ValueKind::Bytes) {
    // Bytes stay bytes, whatever the column claims: an engine with loose typing can keep a
    // blob in a text column, and the viewer should see exactly what is stored.
    return value.data;
  }
  const std::string text = ValueAsText(value);
  if ((columnType & ~DBTYPE_BYREF) == DBTYPE_WSTR) return Utf16ToBytesLE(Utf8ToUtf16(text));
  return text;
}

std::optional<std::int64_t> ValueAsInteger(const CellValue& value) {
  switch (value.kind) {
    case ValueKind::Integer:
      return value.integer;
    case ValueKind::Real: {
      const double r = std::nearbyint(value.real);
      // The largest double below 2^63 converts safely; 2^63 itself does not.
      if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return std::nullopt;
      return static_cast<std::int64_t>(r);
    }
    case ValueKind::Text: {
      const std::string text(TrimBlanks(value.data));
      if (text.empty()) return std::nullopt;
      errno = 0;
      char* end = nullptr;
      const long long v = std::strtoll(text.c_str(), &end, 10);
      if (errno == 0 && *end == '\0') return static_cast<std::int64_t>(v);
      // "12.0" and "1e3" are whole numbers too.
      CellValue real = CellValue::Real(0);
      errno = 0;
      real.real = std::strtod(text.c_str(), &end);
      if (errno != 0 || *end != '\0' || real.real != std::trunc(real.real)) return std::nullopt;
      return ValueAsInteger(real);
    }
    default:
      return std::nullopt;
  }
}

std::optional<double> ValueAsReal(const CellValue& value) {
  switch (value.kind) {
    case ValueKind::Integer:
      return static_cast<double>(value.integer);
    case ValueKind::Real:
      return value.real;
    case ValueKind::Text: {
      const std::string text(TrimBlanks(value.data));
      if (text.empty()) return std::nullopt;
      char* end = nullptr;
      const double v = std::strtod(text.c_str(), &end);
      if (*end != '\0') return std::nullopt;
      return v;
    }
    default:
      return std::nullopt;
  }
}

std::optional<Guid> ValueAsGuid(const CellValue& value) {
  Guid guid;
  if (value.kind == ValueKind::Bytes) {
    if (value.data.size() != 16) return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(value.data.data());
    guid.data1 = static_cast<std::uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16)) |
                 (static_cast<std::uint32_t>(b[3]) << 24);
    guid.data2 = static_cast<std::uint16_t>(b[4] | (b[5] << 8));
    guid.data3 = static_cast<std::uint16_t>(b[6] | (b[7] << 8));
    std::memcpy(guid.data4, b + 8, 8);
    return guid;
  }
  if (value.kind != ValueKind::Text) return std::nullopt;
  std::string_view text = TrimBlanks(value.data);
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, 36);
  }
  if (text.size() != 36) return std::nullopt;
  std::uint8_t bytes[16];
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      continue;
    }
    const int hi = HexDigit(text[i]);
    const int lo = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
    ++i;
  }
  guid.data1 =
      (static_cast<std::uint32_t>(bytes[0]) << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
  guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  std::memcpy(guid.data4, bytes + 8, 8);
  return guid;
}

std::string FormatGuid(const Guid& g) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buffer;
}

}  // namespace quillet::db
