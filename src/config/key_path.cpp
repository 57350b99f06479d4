#include "config/key_path.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace quillet::config {

std::string KeyPath(const char* format, ...) {
  char expanded[1024] = {};
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(expanded, sizeof expanded, format, args);
  va_end(args);
  std::size_t kept = std::strlen(expanded);
  // A cut never splits a UTF-8 sequence: drop the lead byte whose continuation was cut off.
  if (length >= static_cast<int>(sizeof expanded)) {
    std::size_t start = kept;
    while (start > 0 && (static_cast<unsigned char>(expanded[start - 1]) & 0xC0) == 0x80) --start;
    if (start > 0 && static_cast<unsigned char>(expanded[start - 1]) >= 0xC0) {
      const unsigned char lead = static_cast<unsigned char>(expanded[start - 1]);
      const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      if (kept - (start - 1) < need) kept = start - 1;
    }
  }
  return std::string(kRootKeyPath) + std::string(expanded, kept);
}

std::string VersionKeyPath() {
  return KeyPath("\\%i.%i", kVersionMajor, kVersionMinor);
}

}  // namespace quillet::config
