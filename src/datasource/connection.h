#pragma once
// A main window's one connection: its data source and session, the name its title shows, its
// recent data link files, and the File-menu commands that open and close it. The main window
// derives from xConnection and overrides the hooks; all of it runs on the window's UI thread.

#include <memory>
#include <mutex>
#include <string>

#include "datasource/connection_ui.h"
#include "datasource/provider_ops.h"
#include "datasource/recent_list.h"

namespace quillet::db {

// Command ids of the connection commands.
inline constexpr unsigned kCommandCreateDataLink = 32792;
inline constexpr unsigned kCommandCreateConnectionString = 32793;
inline constexpr unsigned kCommandOpenDataLink = 32795;
inline constexpr unsigned kCommandCloseConnection = 32796;
inline constexpr unsigned kCommandFirstRecent = 57616;
inline constexpr unsigned kCommandLastRecent = 57631;

// The display name of a connection made from a connection string or through the prompt.
inline constexpr const char* kConnectionStringName = "connection string";

// A control window handle as the command handlers receive it; the connection only passes it on.
using ControlHandle = void*;

class xConnection {
 public:
  explicit xConnection(ConnectionUi& ui);
  xConnection(const xConnection&) = delete;
  xConnection& operator=(const xConnection&) = delete;

  // The virtual operations keep this order; the main window overrides some of the hooks.

  // Releases the session and the data source.
  virtual ~xConnection();

  // New data link file: 0 after an open or when the editor was cancelled; 1 when the file dialog
  // was cancelled or an error was shown; 3 or 4 after an abort.
  virtual int CreateDataLink(unsigned notifyCode, unsigned commandId, ControlHandle control,
                             int& handled);
  // Through the data link prompt: OnPromptOpened's result after an open; 1 when an error was
  // shown; 2, 3 or 4 after an abort (4 is the user's cancel, silent).
  virtual int CreateConnectionString(unsigned notifyCode, unsigned commandId, ControlHandle control,
                                     int& handled);
  virtual int Reserved();
  // Opens a data link file (isFile) or a connection string: 0, or 1 after a silent abort. A
  // source that fails its test open leaves the current connection as it was.
  virtual int Open(const std::string& source, unsigned notifyCode, unsigned commandId,
                   ControlHandle control, int& handled, bool isFile);
  // File-open dialog, then Open: 0 after Open was called, 1 when the dialog was cancelled.
  virtual int OpenDataLinkDialog(unsigned notifyCode, unsigned commandId, ControlHandle control,
                                 int& handled);
  // 0 closed; 1 with `handled` set to 1 when the window refused.
  virtual int Close(unsigned notifyCode, unsigned commandId, ControlHandle control, int& handled);
  // A recent-file command (57616 is the newest entry): Open's result.
  virtual int OpenRecent(unsigned notifyCode, unsigned commandId, ControlHandle control,
                         int& handled);

  // Hooks; here they do nothing and return 0. -1 from a "before" hook aborts or refuses.
  virtual int OnBeforePrompt(unsigned notifyCode, unsigned commandId, ControlHandle control,
                             int& handled);
  virtual int OnPromptOpened(unsigned notifyCode, unsigned commandId, ControlHandle control,
                             int& handled);
  virtual int OnBeforeOpen(unsigned notifyCode, unsigned commandId, ControlHandle control,
                           int& handled);
  virtual int OnOpened(unsigned notifyCode, unsigned commandId, ControlHandle control,
                       int& handled);
  virtual int OnBeforeClose(unsigned notifyCode, unsigned commandId, ControlHandle control,
                            int& handled);
  virtual int OnClosed(unsigned notifyCode, unsigned commandId, ControlHandle control,
                       int& handled);

  // Opens the data source and its session into this connection; raises cmlib::exception with
  // the provider's text when either fails (the connection is then closed).
  virtual void OpenDataSource(const std::string& source, bool isConnectionString);
  // Releases the session, then the data source.
  virtual void ReleaseDataSource();
  // True while the data source or the session is held.
  virtual bool IsOpen() const;

  std::shared_ptr<IDBInitialize> DataSource() const { return dataSource_; }
  std::shared_ptr<ISession> Session() const { return session_; }

  // The data link file's full path, "connection string", or empty while closed.
  std::string DisplayName() const;

  shell::RecentList& Recent() { return recent_; }
  const shell::RecentList& Recent() const { return recent_; }

  ConnectionUi& Ui() const { return ui_; }

 protected:
  void SetDisplayName(std::string name);

 private:
  // Test open into a data source that is not the connection's, released at once; raises
  // cmlib::exception with the "new connection interrupted" context on failure.
  void TestOpen(const std::string& source, bool isFile);
  // Close as the open commands use it: true when the window refused.
  bool CloseRefused(int& handled);
  void ShowError(const std::string& text, bool withCaption);
  template <typename Body>
  int RunCommand(int& handled, bool creates, Body&& body);

  shell::RecentList recent_;
  std::shared_ptr<IDBInitialize> dataSource_;
  std::shared_ptr<ISession> session_;
  mutable std::mutex nameLock_;
  std::string displayName_;
  ConnectionUi& ui_;
};

}  // namespace quillet::db
