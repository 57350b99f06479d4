#pragma once
// The value encodings every settings group shares.
//
// Option number: REG_SZ holding the value's "%lu" text padded with zero bytes to exactly
// kOptionNumberDataSize bytes. It is read through a kOptionNumberReadSize-byte buffer (a larger
// value fails to read) and converted as signed decimal text; whatever fails to read leaves the
// option as it was, so it keeps its default.
// 32-bit number: REG_DWORD, 4 bytes, little-endian.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/option_value.h"
#include "config/registry_store.h"

namespace quillet::config {

constexpr std::size_t kOptionNumberDataSize = 125;
constexpr std::size_t kOptionNumberReadSize = 501;

// The 125 bytes stored for `value`: its text as an unsigned 32-bit number, then zero bytes.
std::vector<std::uint8_t> EncodeOptionNumber(std::int32_t value);

// Converts stored bytes as text: leading white space, one optional sign, then decimal digits up
// to the first other byte (a zero byte included). No digits gives 0. The number wraps modulo
// 2^32, so every value written by EncodeOptionNumber reads back as itself ("4294967291" is -5).
std::int32_t ParseOptionNumber(const std::uint8_t* data, std::size_t size);

// Reads `name` below `key` into `option`; on any failure the option is left unchanged. A value
// of another type than REG_SZ is converted from its raw bytes all the same.
RegResult ReadOptionNumber(const RegKey& key, const std::string& name, OptionValue& option);
RegResult WriteOptionNumber(RegKey& key, const std::string& name, std::int32_t value);
inline RegResult WriteOptionNumber(RegKey& key, const std::string& name,
                                   const OptionValue& option) {
  return WriteOptionNumber(key, name, option.Get());
}

// Reads a 4-byte value of any type into `value`; a value of another size fails
// (ERROR_MORE_DATA when larger, ERROR_INVALID_DATA when smaller) and leaves `value` unchanged.
RegResult ReadDword(const RegKey& key, const std::string& name, std::uint32_t* value);
RegResult WriteDword(RegKey& key, const std::string& name, std::uint32_t value);

}  // namespace quillet::config
