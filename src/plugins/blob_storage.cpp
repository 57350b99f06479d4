#include "plugins/blob_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace quillet::plugins {

// One stream object: a window on the storage's file with its own position. It stays valid
// (and fails every call) after the storage dropped or replaced it, until its last reference
// is released.
struct BlobStorage::Stream {
  QuilletStream base;
  std::uint32_t refs = 1;
  BlobStorage* owner = nullptr;
  std::uint64_t position = 0;

  static Stream* From(QuilletStream* s) { return reinterpret_cast<Stream*>(s); }
  int Fd() const { return owner != nullptr ? owner->fd_ : -1; }

  static QuilletResult Read(QuilletStream* self, void* buffer, std::uint32_t size,
                            std::uint32_t* read) {
    if (read != nullptr) *read = 0;
    Stream* s = From(self);
    if (s == nullptr || s->Fd() < 0 || (buffer == nullptr && size > 0)) return QUILLET_E_FAIL;
    std::uint32_t done = 0;
    while (done < size) {
      const ssize_t n = ::pread(s->Fd(), static_cast<char*>(buffer) + done, size - done,
                                static_cast<off_t>(s->position));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return QUILLET_E_FAIL;
      if (n == 0) break;
      done += static_cast<std::uint32_t>(n);
      s->position += static_cast<std::uint64_t>(n);
    }
    if (read != nullptr) *read = done;
    return done < size ? QUILLET_S_FALSE : QUILLET_S_OK;
  }

  static QuilletResult Write(QuilletStream* self, const void* buffer, std::uint32_t size,
                             std::uint32_t* written) {
    if (written != nullptr) *written = 0;
    Stream* s = From(self);
    if (s == nullptr || s->Fd() < 0 || (buffer == nullptr && size > 0)) return QUILLET_E_FAIL;
    std::uint32_t done = 0;
    while (done < size) {
      const ssize_t n = ::pwrite(s->Fd(), static_cast<const char*>(buffer) + done, size - done,
                                 static_cast<off_t>(s->position));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return QUILLET_E_FAIL;
      done += static_cast<std::uint32_t>(n);
      s->position += static_cast<std::uint64_t>(n);
    }
    if (written != nullptr) *written = done;
    return QUILLET_S_OK;
  }

  static QuilletResult Size(QuilletStream* self, std::uint64_t* size) {
    Stream* s = From(self);
    struct stat st {};
    if (size == nullptr || s == nullptr || s->Fd() < 0 || ::fstat(s->Fd(), &st) != 0)
      return QUILLET_E_FAIL;
    *size = static_cast<std::uint64_t>(st.st_size);
    return QUILLET_S_OK;
  }

  static QuilletResult Seek(QuilletStream* self, std::int64_t offset, std::int32_t origin,
                            std::uint64_t* position) {
    Stream* s = From(self);
    if (s == nullptr || s->Fd() < 0) return QUILLET_E_FAIL;
    std::int64_t base = 0;
    if (origin == QUILLET_SEEK_CUR) {
      base = static_cast<std::int64_t>(s->position);
    } else if (origin == QUILLET_SEEK_END) {
      std::uint64_t size = 0;
      if (Size(self, &size) != QUILLET_S_OK) return QUILLET_E_FAIL;
      base = static_cast<std::int64_t>(size);
    } else if (origin != QUILLET_SEEK_SET) {
      return QUILLET_E_INVALIDARG;
    }
    if ((offset < 0 && base < -offset) || (offset > 0 && base > INT64_MAX - offset))
      return QUILLET_E_INVALIDARG;
    s->position = static_cast<std::uint64_t>(base + offset);
    if (position != nullptr) *position = s->position;
    return QUILLET_S_OK;
  }

  static std::uint32_t Release(QuilletStream* self) {
    Stream* s = From(self);
    if (s == nullptr) return 0;
    if (--s->refs > 0) return s->refs;
    if (s->owner != nullptr && s->owner->current_ == s) s->owner->current_ = nullptr;
    delete s;
    return 0;
  }

  static constexpr QuilletStreamVtbl kVtbl{&Read, &Write, &Seek, &Size, &Release};
};

BlobStorage::BlobStorage(const std::string& folder) {
  std::string dir = folder;
  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  if (dir.back() != '/') dir += '/';
  std::vector<char> path(dir.begin(), dir.end());
  const std::string pattern = "quillet-blob-XXXXXX";
  path.insert(path.end(), pattern.begin(), pattern.end());
  path.push_back('\0');
  fd_ = ::mkstemp(path.data());
  if (fd_ < 0) {
    creationError_ = errno;
    return;
  }
  // Nobody else needs the name: the file goes with its last descriptor.
  ::unlink(path.data());
  ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
}

BlobStorage::~BlobStorage() {
  if (current_ != nullptr) current_->owner = nullptr;
  if (fd_ >= 0) ::close(fd_);
}

QuilletStream* BlobStorage::CreateStream(const std::string& name) {
  if (fd_ < 0) {
    errno = creationError_ != 0 ? creationError_ : EBADF;
    return nullptr;
  }
  // The file holds one stream: a new one replaces whatever was there.
  if (current_ != nullptr) current_->owner = nullptr;
  current_ = nullptr;
  name_.clear();
  if (::ftruncate(fd_, 0) != 0) return nullptr;
  auto* stream = new Stream;
  stream->base.vtbl = &Stream::kVtbl;
  stream->owner = this;
  current_ = stream;
  name_ = name;
  return &stream->base;
}

bool BlobStorage::DestroyElement(const std::string& name) {
  if (fd_ < 0 || name != name_) return false;
  if (current_ != nullptr) current_->owner = nullptr;
  current_ = nullptr;
  name_.clear();
  return ::ftruncate(fd_, 0) == 0;
}

bool BlobStorage::HasStream(const std::string& name) const {
  return fd_ >= 0 && !name_.empty() && name == name_;
}

QuilletResult WriteAll(QuilletStream* stream, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const std::uint32_t piece = size > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(size);
    std::uint32_t written = 0;
    const QuilletResult r = stream->vtbl->Write(stream, p, piece, &written);
    if (r < 0) return r;
    if (written == 0) return QUILLET_E_FAIL;
    p += written;
    size -= written;
  }
  return QUILLET_S_OK;
}

QuilletResult StreamSize(QuilletStream* stream, std::uint64_t* size) {
  return stream->vtbl->Size(stream, size);
}

}  // namespace quillet::plugins
