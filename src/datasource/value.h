#pragma once
// A neutral cell value, as a provider reads it from its engine, and the conversions that turn it
// into the forms a binding asks for. Shared by every provider.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "datasource/provider_ops.h"

namespace quillet::db {

enum class ValueKind : std::uint8_t { Null, Integer, Real, Text, Bytes };

struct CellValue {
  ValueKind kind = ValueKind::Null;
  std::int64_t integer = 0;
  double real = 0;
  // Text (UTF-8) or bytes. For numbers it may hold the engine's own printed form, which then
  // wins over ours so a value reads the same here as in the engine's own tools.
  std::string data;

  static CellValue Null() { return {}; }
  static CellValue Integer(std::int64_t v, std::string printed = {}) {
    return {ValueKind::Integer, v, 0, std::move(printed)};
  }
  static CellValue Real(double v, std::string printed = {}) {
    return {ValueKind::Real, 0, v, std::move(printed)};
  }
  static CellValue Text(std::string utf8) { return {ValueKind::Text, 0, 0, std::move(utf8)}; }
  static CellValue Bytes(std::string bytes) { return {ValueKind::Bytes, 0, 0, std::move(bytes)}; }

  bool IsNull() const { return kind == ValueKind::Null; }
};

// Decimal text of an integer.
std::string FormatInteger(std::int64_t value);
// The shortest text that reads back as the same double ("%.15g", else "%.16g", else "%.17g"),
// with ".0" added to an integral value so it still reads as a real ("3.0", "1e+20" stays).
// "Inf", "-Inf" and "NaN" for the values without a number.
std::string FormatReal(double value);

// The value as UTF-8 text: numbers printed (the engine's form when it gave one), bytes as they
// are (as an engine that stores text and bytes alike hands them out).
std::string ValueAsText(const CellValue& value);

// The value's bytes in the form of a column of type `columnType`: UTF-16LE for DBTYPE_WSTR,
// raw bytes for DBTYPE_BYTES, UTF-8 text otherwise. This is what a stream over the value reads.
std::string ValueAsColumnBytes(const CellValue& value, DBTYPE columnType);

// Numeric conversions; std::nullopt when the value cannot be converted (text that is not a
// number, bytes, a real out of range).
std::optional<std::int64_t> ValueAsInteger(const CellValue& value);
std::optional<double> ValueAsReal(const CellValue& value);

// A GUID from 16 bytes (the platform's in-memory layout) or from its text form, with or
// without braces.
std::optional<Guid> ValueAsGuid(const CellValue& value);
std::string FormatGuid(const Guid& guid);  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"

}  // namespace quillet::db
