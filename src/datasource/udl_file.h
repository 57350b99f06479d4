#pragma once
// Data link files (".udl"): a byte-order mark, the section "[oledb]", a comment line and the
// initialization string, in UTF-16LE as the platform's data link editor writes them. Files in
// UTF-8 (with or without a mark) and in 8-bit text (Windows-1252) are read as well.

#include <string>
#include <string_view>

namespace quillet::db {

// The initialization string held by the bytes of a data link file. False, with a one-line
// `error`, when the bytes have no "[oledb]" section. An empty string is a valid result (a file
// whose editor was closed before anything was entered).
bool ParseDataLinkBytes(std::string_view bytes, std::string* initString, std::string* error);

// Reads a data link file. `error` receives one line naming the file on failure.
bool ReadDataLinkFile(const std::string& path, std::string* initString, std::string* error);

// The exact bytes the platform writes for `initString` (UTF-8 in, UTF-16LE out).
std::string DataLinkFileBytes(std::string_view initString);

// Writes a data link file in that form, replacing the file as a whole (a reader never sees half
// a file).
bool WriteDataLinkFile(const std::string& path, std::string_view initString, std::string* error);

// The value of key "Provider" of the file's initialization string; empty when the file cannot
// be read, is not a data link file, or names no provider.
std::string DataLinkProviderName(const std::string& path);

}  // namespace quillet::db
