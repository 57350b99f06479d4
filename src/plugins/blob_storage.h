#pragma once
// The per-element store that hands a cell's bytes to viewer plug-ins: one temporary file,
// removed from the file system as soon as it is made (so nothing is left behind, whatever
// happens to the process), holding at most one named stream.

#include <cstdint>
#include <string>

#include "plugins/include/quillet_plugin.h"

namespace quillet::plugins {

// The one stream's name.
inline constexpr const char* kBlobStreamName = "PluginBLOB_StreamName";

class BlobStorage {
 public:
  // Makes the temporary file in `folder` (the system's temporary folder when empty).
  explicit BlobStorage(const std::string& folder = std::string());
  ~BlobStorage();
  BlobStorage(const BlobStorage&) = delete;
  BlobStorage& operator=(const BlobStorage&) = delete;

  // False when the file could not be made; every stream operation then fails.
  bool IsOpen() const { return fd_ >= 0; }
  // The errno of a failed creation.
  int CreationError() const { return creationError_; }

  // Creates (or replaces) the named stream, empty, at position 0, with one reference for the
  // caller. Null with errno set on failure.
  QuilletStream* CreateStream(const std::string& name);
  // Removes the named stream from the file; a stream object still held reads as gone.
  bool DestroyElement(const std::string& name);
  bool HasStream(const std::string& name) const;

 private:
  struct Stream;
  friend struct Stream;

  int fd_ = -1;
  int creationError_ = 0;
  Stream* current_ = nullptr;  // the stream in the file, not owned
  std::string name_;
};

// Convenience for the host: whole-stream helpers. Both return a stream result code.
QuilletResult WriteAll(QuilletStream* stream, const void* data, std::size_t size);
QuilletResult StreamSize(QuilletStream* stream, std::uint64_t* size);

}  // namespace quillet::plugins
