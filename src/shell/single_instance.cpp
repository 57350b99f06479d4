#include "shell/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "shell/command_line.h"

namespace quillet::shell {
namespace {

constexpr std::string_view kRequestTag = "quillet-instance-1";
constexpr std::size_t kRequestFields = 4;
constexpr std::size_t kMaxFileName = 255;
constexpr std::size_t kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

bool SafeInFileName(char c) {
  return c > ' ' && c < 0x7F && c != '/' && c != '%';
}

std::string EscapeForFileName(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    if (SafeInFileName(c)) {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

// A short stand-in for a name too long for a file or socket path; every start makes the same.
std::string HashedName(std::string_view name) {
  std::uint64_t hash = 1469598103934665603ULL;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char text[32];
  std::snprintf(text, sizeof text, "quillet-%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string PathInFolder(const std::string& folder, const std::string& name,
                         std::string_view suffix, std::size_t maxPath) {
  std::string path = folder + '/' + name + std::string(suffix);
  if (name.size() + suffix.size() > kMaxFileName || path.size() > maxPath)
    path = folder + '/' + HashedName(name) + std::string(suffix);
  return path;
}

// A folder only this user may enter, made when missing.
bool IsPrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != getuid()) return false;
  if ((info.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

void SleepFor(std::chrono::milliseconds time) {
  std::this_thread::sleep_for(time);
}

// Connects to the socket at `path`; -1 when nobody serves it.
int Connect(const std::string& path) {
  if (path.size() > kMaxSocketPath) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, path.size());
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool SendAll(int fd, std::string_view bytes, Clock::time_point deadline) {
  while (!bytes.empty()) {
    pollfd ready{fd, POLLOUT, 0};
    if (poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) return false;
    const ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

// Reads until the peer closes or the reply is complete.
std::string ReadReply(int fd, Clock::time_point deadline) {
  std::string reply;
  char buffer[64];
  while (reply.size() < kInstanceReply.size()) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, MillisecondsLeft(deadline)) <= 0) break;
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    reply.append(buffer, static_cast<std::size_t>(got));
  }
  return reply;
}

}  // namespace

std::string DesktopName(std::string_view platform, std::string_view x11Display,
                        std::string_view waylandDisplay) {
  const bool x11Chosen = platform.substr(0, 3) == "xcb";
  if (!waylandDisplay.empty() && !x11Chosen) return EscapeForFileName(waylandDisplay);
  if (!x11Display.empty()) {
    // Screens of one X display are one desktop: "host:0.1" and "host:0" are the same.
    const std::size_t colon = x11Display.rfind(':');
    if (colon != std::string_view::npos) {
      const std::size_t dot = x11Display.find('.', colon);
      if (dot != std::string_view::npos) x11Display = x11Display.substr(0, dot);
    }
    return EscapeForFileName(x11Display);
  }
  if (!waylandDisplay.empty()) return EscapeForFileName(waylandDisplay);
  return "nodisplay";
}

std::string CurrentDesktopName() {
  return DesktopName(Environment("QT_QPA_PLATFORM"), Environment("DISPLAY"),
                     Environment("WAYLAND_DISPLAY"));
}

std::string BuildInstanceName(std::string_view base, std::string_view desktop) {
  std::string name(base);
  name += '-';
  name += desktop;
  if (name.size() > kMaxInstanceName) name.resize(kMaxInstanceName);
  return name;
}

std::string InstanceFolder() {
  const std::string_view runtime = Environment("XDG_RUNTIME_DIR");
  if (!runtime.empty() && runtime.front() == '/') {
    struct stat info {};
    if (stat(std::string(runtime).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      return std::string(runtime);
  }
  const std::string fallback = "/tmp/quillet-" + std::to_string(getuid());
  return IsPrivateFolder(fallback) ? fallback : std::string();
}

InstanceRequest RequestFromArguments(const std::vector<std::string>& arguments,
                                     const std::string& workingFolder) {
  InstanceRequest request;
  const OptionTable options = BuildOptionTable(arguments);
  if (std::string file = ValueOf(options, "-udl"); !file.empty()) {
    std::filesystem::path path(file);
    if (path.is_relative()) path = std::filesystem::path(workingFolder) / path;
    request.kind = InstanceRequest::Kind::kOpenDataLink;
    request.text = path.lexically_normal().string();
  } else if (std::string text = ValueOf(options, "-constr"); !text.empty()) {
    request.kind = InstanceRequest::Kind::kOpenConnectionString;
    request.text = std::move(text);
  }
  request.activationToken = std::string(Environment("XDG_ACTIVATION_TOKEN"));
  return request;
}

std::string EncodeInstanceRequest(const InstanceRequest& request) {
  std::string_view kind = "raise";
  if (request.kind == InstanceRequest::Kind::kOpenDataLink) kind = "udl";
  if (request.kind == InstanceRequest::Kind::kOpenConnectionString) kind = "constr";
  std::string bytes;
  for (const std::string_view field : {kRequestTag, kind, std::string_view(request.text),
                                       std::string_view(request.activationToken)}) {
    // Arguments and environment values cannot hold a NUL, so a NUL ends a field.
    bytes.append(field.substr(0, field.find('\0')));
    bytes += '\0';
  }
  return bytes;
}

std::optional<InstanceRequest> DecodeInstanceRequest(std::string_view bytes) {
  std::vector<std::string_view> fields;
  while (fields.size() < kRequestFields) {
    const std::size_t end = bytes.find('\0');
    if (end == std::string_view::npos) return std::nullopt;
    fields.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
  }
  if (!bytes.empty() || fields[0] != kRequestTag) return std::nullopt;
  InstanceRequest request;
  if (fields[1] == "udl") {
    request.kind = InstanceRequest::Kind::kOpenDataLink;
  } else if (fields[1] == "constr") {
    request.kind = InstanceRequest::Kind::kOpenConnectionString;
  } else if (fields[1] != "raise") {
    return std::nullopt;
  }
  if ((request.kind == InstanceRequest::Kind::kRaise) != fields[2].empty()) return std::nullopt;
  request.text = std::string(fields[2]);
  request.activationToken = std::string(fields[3]);
  return request;
}

SingleInstance::SingleInstance(const std::string& folder, const std::string& instanceName) {
  if (folder.empty()) return;
  lockPath_ = PathInFolder(folder, instanceName, ".lock", SIZE_MAX);
  socketPath_ = PathInFolder(folder, instanceName, ".socket", kMaxSocketPath);
  lockFile_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFile_ >= 0) TryLock();
}

SingleInstance SingleInstance::ForThisDesktop() {
  const std::string desktop = CurrentDesktopName();
  // The lock is named by building the instance name once more, so the desktop appears twice
  // (base-desktop-desktop); all that matters is that every start builds the same name.
  return SingleInstance(InstanceFolder(),
                        BuildInstanceName(BuildInstanceName(kInstanceBase, desktop), desktop));
}

SingleInstance::~SingleInstance() {
  Release();
}

void SingleInstance::Release() {
  if (lockFile_ >= 0) close(lockFile_);
  lockFile_ = -1;
  held_ = false;
}

bool SingleInstance::TryLock() {
  // flock belongs to the open file: the kernel lets go of it when the holder dies, however it
  // dies, so a lock file left behind never blocks a start.
  held_ = flock(lockFile_, LOCK_EX | LOCK_NB) == 0;
  if (!held_ && errno != EWOULDBLOCK) {
    // Any other failure counts as no other instance: start, serving nobody.
    close(lockFile_);
    lockFile_ = -1;
  }
  return held_;
}

SingleInstance::DeferResult SingleInstance::Defer(const InstanceRequest& request,
                                                  std::chrono::milliseconds patience) {
  const Clock::time_point deadline = Clock::now() + patience;
  int fd = -1;
  while ((fd = Connect(socketPath_)) < 0) {
    if (lockFile_ >= 0 && TryLock()) return DeferResult::kBecameFirst;
    if (MillisecondsLeft(deadline) == 0) return DeferResult::kUnanswered;
    SleepFor(std::chrono::milliseconds(50));
  }
  // The holder answers from its event loop, which may be busy opening its first window.
  const Clock::time_point answerBy = Clock::now() + patience;
  std::string reply;
  if (SendAll(fd, EncodeInstanceRequest(request), answerBy)) reply = ReadReply(fd, answerBy);
  close(fd);
  return reply == kInstanceReply ? DeferResult::kDelivered : DeferResult::kUnanswered;
}

}  // namespace quillet::shell
