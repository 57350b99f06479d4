#pragma once
// One process per desktop. The first process on a desktop holds a lock file for its whole life
// and serves a local socket beside it; a later start on the same desktop, with "SingleInstance"
// on, hands its request over that socket (bring the first window forward, or open the data link
// file or connection string it was started with) and ends.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::shell {

inline constexpr char kInstanceBase[] = "8941781C-295C-4d23-BD5C-966B86288D44";
// Names longer than this are cut, so that every start makes the same one.
inline constexpr std::size_t kMaxInstanceName = 259;

// The desktop the process will show its windows on: $WAYLAND_DISPLAY, or $DISPLAY without its
// screen number (":0.1" is display ":0"), "nodisplay" when neither is set. A Qt platform chosen
// as "xcb" means the X display even in a Wayland session. Characters that cannot stand in a file
// name are written as %XX.
std::string DesktopName(std::string_view platform, std::string_view x11Display,
                        std::string_view waylandDisplay);
std::string CurrentDesktopName();  // from the environment

// `base`, "-" and `desktop`, cut to kMaxInstanceName characters.
std::string BuildInstanceName(std::string_view base, std::string_view desktop);

// Where the lock and the socket live: $XDG_RUNTIME_DIR, else /tmp/quillet-<uid>, made when
// missing and refused (empty) unless it is a folder of this user that nobody else may enter.
std::string InstanceFolder();

// What a later start asks of the first process.
struct InstanceRequest {
  enum class Kind { kRaise, kOpenDataLink, kOpenConnectionString };
  Kind kind = Kind::kRaise;
  std::string text;  // the data link file (an absolute path) or the connection string
  // The launcher's activation token ($XDG_ACTIVATION_TOKEN), without which a Wayland compositor
  // does not let the first process take the focus.
  std::string activationToken;

  bool operator==(const InstanceRequest&) const = default;
};

// The request a start with these arguments (the program first) hands over: "-udl" with a value
// wins over "-constr", as at a normal start; a relative file is made absolute against
// `workingFolder`, since the first process may run in another one.
InstanceRequest RequestFromArguments(const std::vector<std::string>& arguments,
                                     const std::string& workingFolder);

// Wire form: NUL-terminated fields (a tag, the kind, the text, the token). Decoding returns
// nothing until all of them have arrived, and for anything malformed.
std::string EncodeInstanceRequest(const InstanceRequest& request);
std::optional<InstanceRequest> DecodeInstanceRequest(std::string_view bytes);
// What the first process answers once it has read a whole request.
inline constexpr std::string_view kInstanceReply = "ok";
// A request larger than this is not one of ours.
inline constexpr std::size_t kMaxInstanceRequest = 64 * 1024;

class SingleInstance {
 public:
  // The lock and socket for `instanceName` in `folder`; takes the lock when it is free. An empty
  // folder, or a lock file that cannot be opened, means no other instance: the process starts
  // on its own and serves nobody.
  SingleInstance(const std::string& folder, const std::string& instanceName);
  // The lock of this desktop in the instance folder.
  static SingleInstance ForThisDesktop();
  ~SingleInstance();  // lets go of the lock (the kernel does so as well when the process dies)
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Another process holds the lock.
  bool IsAnotherInstanceRunning() const { return lockFile_ >= 0 && !held_; }
  // This process holds the lock and is the one to serve the socket.
  bool HoldsLock() const { return held_; }
  const std::string& LockPath() const { return lockPath_; }
  const std::string& SocketPath() const { return socketPath_; }
  // Gives the lock up early: a process that cannot serve the socket must not make later starts
  // wait for it.
  void Release();

  enum class DeferResult {
    kDelivered,    // the first process has read the request
    kUnanswered,   // nobody took it within the patience given
    kBecameFirst,  // the holder went away meanwhile; this process now holds the lock
  };
  // Hands the request to the holder. The holder may still be starting, so a refused connection
  // is tried again until `patience` has passed, each time checking whether the lock came free.
  DeferResult Defer(const InstanceRequest& request, std::chrono::milliseconds patience);

 private:
  bool TryLock();

  std::string lockPath_;
  std::string socketPath_;
  int lockFile_ = -1;
  bool held_ = false;
};

}  // namespace quillet::shell
