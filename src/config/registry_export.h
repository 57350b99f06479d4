#pragma once
// The registry export file: a text file beginning with "REGEDIT4" that lists a key and its
// subtree with every value, each line ended by CR LF.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "config/registry_store.h"

namespace quillet::config {

// The one message the export shows: a box without owner, OK button only, no icon. The UI
// implements it; tests record it.
class ExportMessageSink {
 public:
  virtual ~ExportMessageSink() = default;
  virtual void ShowExportMessage(const std::string& text, const std::string& caption) = 0;
};

// Writes the key `keyPath` below the predefined key `rootName` ("HKEY_CURRENT_USER" is the
// store's hive; the other predefined names, and unknown ones, name no key here) with its
// subtree into `fileName`, created or truncated. When the file cannot be created the sink shows
// "Error while creating the file" / "Registry export". False when the file could not be
// created or written completely.
bool ExportRegistry(RegistryStore& store, const std::string& rootName, const std::string& keyPath,
                    const std::string& fileName, ExportMessageSink& messages);

// The program's settings: ExportRegistry("HKEY_CURRENT_USER", version key path, ...).
bool ExportConfigurationFile(RegistryStore& store, const std::string& fileName,
                             ExportMessageSink& messages);

// The data part of a value line, line break(s) included: quoted text for REG_SZ, "dword:%08x"
// for REG_DWORD, "hex:" for REG_BINARY and "hex(N):" for every other type, followed by a byte
// list.
std::string FormatValueData(std::uint32_t type, const std::uint8_t* data, std::size_t count);

// Opens `name` below `parent` to read its values; when that works, writes an empty line, the
// header "[fullName]" and one line per value. Writes nothing when the key cannot be read.
void WriteKeyValues(const RegKey& parent, const std::string& name, std::FILE* file,
                    const std::string& fullName);

}  // namespace quillet::config
