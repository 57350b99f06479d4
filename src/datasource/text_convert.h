#pragma once
// UTF-8 <-> UTF-16 conversion and cut points that never split a character. The program works
// in UTF-8; the provider boundary speaks UTF-16.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::db {

// Malformed input (a stray continuation byte, an unpaired surrogate, an overlong form) becomes
// U+FFFD, so a conversion never fails and never loses the rest of the text.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Bytes of Windows-1252 text (an 8-bit file written on the original platform) as UTF-8.
std::string Cp1252ToUtf8(std::string_view text);

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a character boundary.
// A malformed byte counts as a character of its own.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes);

// The longest prefix of `text` of at most `maxUnits` code units that does not split a
// surrogate pair.
std::size_t Utf16CutLength(std::u16string_view text, std::size_t maxUnits);

// UTF-16 text as little-endian bytes, and back (an odd last byte is dropped).
std::string Utf16ToBytesLE(std::u16string_view text);
std::u16string BytesLEToUtf16(std::string_view bytes);

}  // namespace quillet::db
