#pragma once
// The one way the connection reaches the user. The main window implements it with real dialogs;
// tests implement it with scripted answers. Nothing here may block on another thread.

#include <cstdint>
#include <string>

#include "datasource/provider_ops.h"

namespace quillet::db {

enum class MessageIcon { None, Error, Warning, Information, Question };

// What a file dialog for data link files shows and how it behaves.
struct FileDialogOptions {
  std::string title;             // empty: the dialog's usual title
  std::string filterName;        // "Microsoft UDL files"
  std::string filterPattern;     // "*.udl"
  std::string defaultExtension;  // "udl", added when the typed name has none
  // Overwrite prompt, hide read-only, create prompt, explorer style, resizable, not added to
  // the desktop's recent documents.
  std::uint32_t flags = 0x10882006;
};

class ConnectionUi {
 public:
  virtual ~ConnectionUi() = default;

  // File dialogs: true with the chosen full path, false when the user cancelled.
  virtual bool ChooseFileToOpen(const FileDialogOptions& options, std::string* path) = 0;
  virtual bool ChooseFileToSave(const FileDialogOptions& options, std::string* path) = 0;

  // Lets the user edit the data link file at `path` (our Data Link Properties dialog) and
  // returns when the editor has closed. A confirmed edit writes the file; a cancelled one leaves
  // it as it was. Returns 0, or an errno value when the editor could not be started.
  virtual int EditDataLinkFile(const std::string& path) = 0;

  // The data link prompt: S_OK with the initialization string the user composed, S_FALSE when
  // it was closed without a data source, DB_E_CANCELED when the user cancelled. It is asked
  // while a wait cursor is active; the dialog shows the normal cursor over itself.
  virtual HRESULT PromptDataLink(std::string* initString) = 0;

  // A message box with an OK button. The text is shown literally.
  virtual void ShowMessage(const std::string& caption, const std::string& text,
                           MessageIcon icon) = 0;

  // Wait cursor; calls nest and must pair.
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
};

// Shows the wait cursor for the life of the scope.
class WaitCursorScope {
 public:
  explicit WaitCursorScope(ConnectionUi& ui) : ui_(ui) { ui_.BeginWaitCursor(); }
  ~WaitCursorScope() { ui_.EndWaitCursor(); }
  WaitCursorScope(const WaitCursorScope&) = delete;
  WaitCursorScope& operator=(const WaitCursorScope&) = delete;

 private:
  ConnectionUi& ui_;
};

}  // namespace quillet::db
