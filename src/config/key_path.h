#pragma once
// Registry key paths of the program, all below one root key. Every path is built by KeyPath,
// always with kVersionMajor and kVersionMinor for the version key:
// KeyPath("\\%i.%i\\view", kVersionMajor, kVersionMinor).

#include <string>

namespace quillet::config {

inline constexpr char kRootKeyPath[] = "Software\\Halvane\\brantel\\quillet";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 6;

// The root key path followed by `format` expanded with the arguments; the expansion is cut at
// 1023 bytes, as the fixed buffer it was made in.
std::string KeyPath(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The version key: KeyPath("\\%i.%i", 1, 6).
std::string VersionKeyPath();

}  // namespace quillet::config
