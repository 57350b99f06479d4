#include "datasource/connection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <utility>

#include "datasource/cmlib_exception.h"
#include "datasource/error_text.h"
#include "datasource/open_ops.h"
#include "datasource/text_convert.h"
#include "resources/string_table.h"

namespace quillet::db {
namespace {

constexpr unsigned kErrorCaption = 60000;
constexpr unsigned kUnknownError = 60004;
constexpr unsigned kContextDataLinkFile = 60001;
constexpr unsigned kContextConnectionInterrupted = 60002;
constexpr unsigned kNewDataLinkTitle = 62000;

// A silent abort inside one command: thrown and caught within that command only.
struct Abort {
  int code;
};

FileDialogOptions DataLinkDialogOptions(std::string title) {
  FileDialogOptions options;
  options.title = std::move(title);
  options.filterName = "Microsoft UDL files";
  options.filterPattern = "*.udl";
  options.defaultExtension = "udl";
  return options;
}

[[noreturn]] void RaiseSystemError(int errorNumber, unsigned contextId) {
  throw cmlib::exception(ComposeErrorText(contextId, WindowsErrorText(errorNumber)));
}

// A fresh GUID in registry form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". Without a source of
// randomness, two numbers from the seeded standard generator take its place.
std::string FreshGuidText() {
  try {
    std::random_device device;
    unsigned char b[16];
    for (int i = 0; i < 16; i += 4) {
      const unsigned v = device();
      for (int k = 0; k < 4; ++k) b[i + k] = static_cast<unsigned char>(v >> (8 * k));
    }
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4 (random)
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // variant 1
    char text[40];
    std::snprintf(text, sizeof text,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
  } catch (...) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const int first = std::rand();
    const int second = std::rand();
    return std::to_string(first) + std::to_string(second);
  }
}

// Creates the file empty, replacing one that is there.
void CreateEmptyFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) RaiseSystemError(errno, kContextDataLinkFile);
  ::close(fd);
}

// Removes the temporary data link unless it was handed over (renamed to its final name).
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& path() const { return path_; }
  void Release() { path_.clear(); }

 private:
  std::string path_;
};

}  // namespace

xConnection::xConnection(ConnectionUi& ui) : ui_(ui) {}

xConnection::~xConnection() {
  session_.reset();
  dataSource_.reset();
}

template <typename Body>
int xConnection::RunCommand(int& handled, bool creates, Body&& body) {
  // A small integer thrown inside is an abort: the command ends with it, handled. An error is
  // shown in a box; the commands that create a connection then report 1, handled.
  try {
    return body();
  } catch (const Abort& abort) {
    handled = 1;
    return abort.code;
  } catch (const cmlib::exception& e) {
    ShowError(e.text(), creates);
  } catch (...) {
    ShowError(LoadResourceString(kUnknownError), true);
  }
  if (!creates) return 0;
  handled = 1;
  return 1;
}

int xConnection::CreateDataLink(unsigned notifyCode, unsigned commandId, ControlHandle control,
                                int& handled) {
  std::string chosen;
  if (!ui_.ChooseFileToSave(DataLinkDialogOptions(LoadResourceString(kNewDataLinkTitle)), &chosen))
    return 1;
  return RunCommand(handled, /*creates=*/true, [&]() -> int {
    TemporaryFile temporary(chosen + ".t" + FreshGuidText() + ".udl");
    CreateEmptyFile(temporary.path());
    const int editError = ui_.EditDataLinkFile(temporary.path());
    if (editError != 0) RaiseSystemError(editError, kContextDataLinkFile);
    // An editor closed without confirming leaves no provider in the file.
    if (ReadDataLinkProvider(temporary.path()).empty()) return 0;

    WaitCursorScope wait(ui_);
    TestOpen(temporary.path(), true);
    if (OnBeforePrompt(notifyCode, commandId, control, handled) == -1) throw Abort{3};
    // rename() replaces the chosen file in one step, so a failure leaves the old file intact.
    if (std::rename(temporary.path().c_str(), chosen.c_str()) != 0) RaiseSystemError(errno, 0);
    temporary.Release();

    if (CloseRefused(handled)) throw Abort{4};
    SetDisplayName(chosen);
    OpenDataSource(chosen, false);
    recent_.AddToList(chosen);
    return OnPromptOpened(notifyCode, commandId, control, handled);
  });
}

int xConnection::CreateConnectionString(unsigned notifyCode, unsigned commandId,
                                        ControlHandle control, int& handled) {
  return RunCommand(handled, /*creates=*/true, [&]() -> int {
    WaitCursorScope wait(ui_);
    if (OnBeforePrompt(notifyCode, commandId, control, handled) == -1) throw Abort{2};
    if (CloseRefused(handled)) throw Abort{3};
    SetDisplayName(kConnectionStringName);

    std::shared_ptr<IDBInitialize> opened;
    const HRESULT hr = OpenWithPrompt(ui_, &opened);
    if (hr == DB_E_CANCELED) throw Abort{4};
    if (Failed(hr))
      throw cmlib::exception(
          ComposeErrorText(kContextConnectionInterrupted, ProviderErrorText(hr)));
    dataSource_ = std::move(opened);

    const HRESULT sessionResult = OpenSession(dataSource_, &session_);
    if (Failed(sessionResult)) {
      ReleaseDataSource();
      throw cmlib::exception(ComposeErrorText(0, ProviderErrorText(sessionResult)));
    }
    return OnPromptOpened(notifyCode, commandId, control, handled);
  });
}

int xConnection::Reserved() {
  return 0;
}

int xConnection::Open(const std::string& source, unsigned notifyCode, unsigned commandId,
                      ControlHandle control, int& handled, bool isFile) {
  return RunCommand(handled, /*creates=*/false, [&]() -> int {
    WaitCursorScope wait(ui_);
    TestOpen(source, isFile);
    if (OnBeforeOpen(notifyCode, commandId, control, handled) == -1) throw Abort{1};
    if (CloseRefused(handled)) throw Abort{1};
    SetDisplayName(isFile ? source : std::string(kConnectionStringName));
    OpenDataSource(source, !isFile);
    if (isFile) recent_.AddToList(source);
    OnOpened(notifyCode, commandId, control, handled);
    return 0;
  });
}

int xConnection::OpenDataLinkDialog(unsigned notifyCode, unsigned commandId, ControlHandle control,
                                    int& handled) {
  std::string path;
  if (!ui_.ChooseFileToOpen(DataLinkDialogOptions({}), &path)) return 1;
  Open(path, notifyCode, commandId, control, handled, true);
  return 0;
}

int xConnection::Close(unsigned notifyCode, unsigned commandId, ControlHandle control,
                       int& handled) {
  try {
    handled = 0;
    if (OnBeforeClose(notifyCode, commandId, control, handled) == -1) {
      handled = 1;
      return 1;
    }
    SetDisplayName({});
    ReleaseDataSource();
    return OnClosed(notifyCode, commandId, control, handled);
  } catch (const cmlib::exception& e) {
    ShowError(e.text(), false);
  } catch (...) {
    ShowError(LoadResourceString(kUnknownError), true);
  }
  return 0;
}

int xConnection::OpenRecent(unsigned notifyCode, unsigned commandId, ControlHandle control,
                            int& handled) {
  const std::vector<std::string> entries = recent_.Entries();
  const long long index = static_cast<long long>(entries.size()) -
                          (static_cast<long long>(commandId) - (kCommandFirstRecent - 1));
  std::string path;
  if (index >= 0 && index < static_cast<long long>(entries.size()))
    path = entries[static_cast<std::size_t>(index)];
  return Open(path, notifyCode, commandId, control, handled, true);
}

int xConnection::OnBeforePrompt(unsigned, unsigned, ControlHandle, int&) {
  return 0;
}
int xConnection::OnPromptOpened(unsigned, unsigned, ControlHandle, int&) {
  return 0;
}
int xConnection::OnBeforeOpen(unsigned, unsigned, ControlHandle, int&) {
  return 0;
}
int xConnection::OnOpened(unsigned, unsigned, ControlHandle, int&) {
  return 0;
}
int xConnection::OnBeforeClose(unsigned, unsigned, ControlHandle, int&) {
  return 0;
}
int xConnection::OnClosed(unsigned, unsigned, ControlHandle, int&) {
  return 0;
}

void xConnection::OpenDataSource(const std::string& source, bool isConnectionString) {
  const std::u16string wide = Utf8ToUtf16(source);
  std::shared_ptr<IDBInitialize> opened;
  const HRESULT hr =
      isConnectionString ? OpenFromInitString(wide, &opened) : OpenFromDataLinkFile(wide, &opened);
  if (Failed(hr)) throw cmlib::exception(ComposeErrorText(0, ProviderErrorText(hr)));
  dataSource_ = std::move(opened);

  const HRESULT sessionResult = OpenSession(dataSource_, &session_);
  if (Failed(sessionResult)) {
    ReleaseDataSource();
    throw cmlib::exception(ComposeErrorText(0, ProviderErrorText(sessionResult)));
  }
}

void xConnection::ReleaseDataSource() {
  session_.reset();
  dataSource_.reset();
}

bool xConnection::IsOpen() const {
  return dataSource_ != nullptr || session_ != nullptr;
}

std::string xConnection::DisplayName() const {
  std::lock_guard lock(nameLock_);
  return displayName_;
}

void xConnection::SetDisplayName(std::string name) {
  std::lock_guard lock(nameLock_);
  displayName_ = std::move(name);
}

void xConnection::TestOpen(const std::string& source, bool isFile) {
  const std::u16string wide = Utf8ToUtf16(source);
  std::shared_ptr<IDBInitialize> probe;
  const HRESULT hr = isFile ? OpenFromDataLinkFile(wide, &probe) : OpenFromInitString(wide, &probe);
  if (Failed(hr))
    throw cmlib::exception(ComposeErrorText(kContextConnectionInterrupted, ProviderErrorText(hr)));
}

bool xConnection::CloseRefused(int& handled) {
  return Close(0, kCommandCloseConnection, nullptr, handled) == 1 && handled == 1;
}

void xConnection::ShowError(const std::string& text, bool withCaption) {
  if (withCaption)
    ui_.ShowMessage(LoadResourceString(kErrorCaption), text, MessageIcon::Error);
  else
    ui_.ShowMessage({}, text, MessageIcon::None);
}

}  // namespace quillet::db
