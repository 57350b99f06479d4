// The window's side of its connection and history: the hooks that follow an open or a close,
// the dialogs the connection asks for, and the navigation points restored.
#include <QApplication>
#include <QDockWidget>

#include <cerrno>

#include "config/key_path.h"
#include "config/option_groups.h"
#include "datasource/cmlib_exception.h"
#include "datasource/udl_file.h"
#include "datasource/ui/data_link_dialog.h"
#include "elements/element_slots.h"
#include "resources/command_ids.h"
#include "resources/string_table.h"
#include "resources/ui/dialog_hooks.h"
#include "shell/ui/database_tree.h"
#include "shell/ui/main_window.h"
#include "shell/ui/status_bar.h"
#include "sqlwindow/ui/sql_pane.h"
#include "tabledata/ui/data_list_view.h"

namespace quillet::ui {
namespace {

BoxIcon ToBoxIcon(db::MessageIcon icon) {
  switch (icon) {
    case db::MessageIcon::Error:
      return BoxIcon::kError;
    case db::MessageIcon::Warning:
      return BoxIcon::kWarning;
    case db::MessageIcon::Information:
      return BoxIcon::kInformation;
    case db::MessageIcon::Question:
      return BoxIcon::kQuestion;
    case db::MessageIcon::None:
      break;
  }
  return BoxIcon::kNone;
}

FileRequest ToFileRequest(QWidget* owner, const db::FileDialogOptions& options, bool save) {
  FileRequest request;
  request.owner = owner;
  request.save = save;
  request.title = QString::fromStdString(options.title);
  request.filter = QString::fromStdString(options.filterName) + QStringLiteral(" (") +
                   QString::fromStdString(options.filterPattern) + QStringLiteral(")");
  request.defaultExtension = QString::fromStdString(options.defaultExtension);
  return request;
}

}  // namespace

int FrameConnection::OnPromptOpened(unsigned notifyCode, unsigned commandId,
                                    db::ControlHandle control, int& handled) {
  OnOpened(notifyCode, commandId, control, handled);
  return 0;
}

int FrameConnection::OnOpened(unsigned, unsigned, db::ControlHandle, int&) {
  return frame_.OnOpenedHook();
}

int FrameConnection::OnBeforeClose(unsigned, unsigned, db::ControlHandle, int&) {
  return frame_.OnBeforeCloseHook();
}

int FrameConnection::OnClosed(unsigned, unsigned, db::ControlHandle, int&) {
  return frame_.OnClosedHook();
}

bool FrameConnectionUi::ChooseFileToOpen(const db::FileDialogOptions& options, std::string* path) {
  const QString chosen = ChooseFile(ToFileRequest(&frame_, options, false));
  if (chosen.isEmpty()) return false;
  *path = chosen.toStdString();
  return true;
}

bool FrameConnectionUi::ChooseFileToSave(const db::FileDialogOptions& options, std::string* path) {
  const QString chosen = ChooseFile(ToFileRequest(&frame_, options, true));
  if (chosen.isEmpty()) return false;
  *path = chosen.toStdString();
  return true;
}

int FrameConnectionUi::EditDataLinkFile(const std::string& path) {
  std::string initString;
  std::string error;
  // A new data link file is empty; the dialog then starts from nothing.
  db::ReadDataLinkFile(path, &initString, &error);
  const std::optional<std::string> edited = RunDataLinkDialog(&frame_, initString);
  if (!edited) return 0;
  if (!db::WriteDataLinkFile(path, *edited, &error)) return errno != 0 ? errno : EIO;
  return 0;
}

db::HRESULT FrameConnectionUi::PromptDataLink(std::string* initString) {
  const std::optional<std::string> composed = RunDataLinkDialog(&frame_, std::string());
  if (!composed) return db::DB_E_CANCELED;
  *initString = *composed;
  return db::S_OK;
}

void FrameConnectionUi::ShowMessage(const std::string& caption, const std::string& text,
                                    db::MessageIcon icon) {
  ShowMessageBox(&frame_, QString::fromStdString(caption), QString::fromStdString(text),
                 ToBoxIcon(icon));
}

void FrameConnectionUi::BeginWaitCursor() {
  ++frame_.waitCursorDepth_;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void FrameConnectionUi::EndWaitCursor() {
  if (frame_.waitCursorDepth_ == 0) return;
  --frame_.waitCursorDepth_;
  QApplication::restoreOverrideCursor();
}

int FrameHistory::MaxPoints() {
  return frame_.MaxBackupPoints();
}

void FrameHistory::RestorePoint(const shell::NavigationPoint& point) {
  frame_.RestorePoint(point);
}

void MainWindow::SaveRecentList(config::RegistryStore& store) {
  Connection().Recent().WriteToRegistry(config::kRootKeyPath, store);
}

int MainWindow::MaxBackupPoints() {
  return pages_.GetPage(config::kPageGeneral).Value(config::option::kMaxBackupPoints, 20);
}

void MainWindow::RestorePoint(const shell::NavigationPoint& point) {
  // A point of rows still shown needs only its page again; otherwise the element loads first
  // and comes back to the point's row afterwards.
  if (point.row >= 0) {
    xElement* element = elements_->Element(point.slot);
    const std::unique_ptr<ShowData> now = element != nullptr ? element->RequestRefresh() : nullptr;
    if (point.slot == elements_->ListSlot() && element->HasData() && now && point.request &&
        now->table == point.request->table && now->query == point.request->query) {
      RequestPage({PageJob::Target::Row, point.row, 0});
      return;
    }
    pendingRow_ = point.row;
  }
  std::unique_ptr<ShowData> request;
  if (point.request) {
    request = std::make_unique<ShowData>(*point.request);
    request->redrawColumns = true;
    request->reload = true;
  }
  StartJob(-point.slot, std::move(request));
}

void MainWindow::Open(const std::string& text, bool isFile) {
  int handled = 0;
  connection_->Open(text, 0, cmd::kOpenDataLink, nullptr, handled, isFile);
}

int MainWindow::OnOpenedHook() {
  SetTitle(true);
  sqlPane_->LoadHistory(store_, connection_->DisplayName());
  session_ = connection_->Session();
  if (const auto source = connection_->DataSource()) {
    if (const std::string notice = source->ReadOnlyNotice(); !notice.empty()) {
      ReportInformation(notice);
    }
  }
  const bool tablesFirst =
      pages_.GetPage(config::kPageGeneral).Value(config::option::kGoDirectlyToTableFldr, 0) != 0;
  const int listSlot = tablesFirst ? kSlotTables : kSlotDatabase;
  elements_->SetListSlot(listSlot);
  elements_->SetCurrentSlot(kSlotDatabase);
  try {
    elements_->BuildTree(*tree_);
    StartJob(-listSlot);
  } catch (const cmlib::exception& e) {
    ReportError(e.text());
  } catch (...) {
    ShowMessageBox(this, QString::fromStdString(LoadResourceString(60000)),
                   QString::fromStdString(LoadResourceString(60004)), BoxIcon::kError);
  }
  return 0;
}

int MainWindow::OnBeforeCloseHook() {
  // The connection goes once the job and the count that use it have ended; one that does not end
  // at once keeps it open (the close is refused) and the close comes when it has.
  if (!StopEverything()) {
    closeConnectionAfterStop_ = true;
    return -1;
  }
  jobStarting_ = false;
  history_.Clear();
  listCursor_->SetElement(nullptr);
  dataList_->ShowElement(nullptr, 0);
  elements_->ReleaseAll();
  SetTitle(false);
  return 0;
}

int MainWindow::OnClosedHook() {
  session_.reset();
  tree_->DeleteAllItems();
  dataList_->DeleteColumns();
  sqlPane_->ClearQueryText();
  sqlPane_->UnloadHistory();
  status_->SetPaneText(FrameStatusBar::kElementStatusPane, QString());
  status_->SetPaneText(FrameStatusBar::kObjectCountPane, QString());
  return 0;
}

}  // namespace quillet::ui
