#pragma once
// The element family behind the database tree and the data list. Every element knows its name,
// its place in the hierarchy, how to load its items and how to answer for each item.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "datasource/provider_ops.h"
#include "elements/pager.h"
#include "elements/show_data.h"

namespace quillet {

class FrameServices;
class JobCancel;
class PluginHandOver;  // the plug-in side's interface; elements only pass it on

// The connection's session reference; elements read the current session through it.
using SessionRef = std::shared_ptr<db::ISession>;

// What the element set hands every element: the frame's services, the session reference and
// the stop flag of the frame's worker.
struct ElementHost {
  FrameServices* services = nullptr;
  const SessionRef* session = nullptr;
  JobCancel* cancel = nullptr;
};

class xElement {
 public:
  xElement(const ElementHost& host, unsigned nameId, int ownSlot, int parentSlot, int childSlot,
           int itemImage);
  virtual ~xElement();
  xElement(const xElement&) = delete;
  xElement& operator=(const xElement&) = delete;

  virtual void show_data(const ShowData* request) = 0;
  virtual std::unique_ptr<ShowData> RequestRefresh() { return nullptr; }
  virtual void ShowDefault();
  virtual void ReleaseData() {}
  virtual bool HasData() const { return false; }
  virtual int GetRowCount() const = 0;
  virtual void Reserved(int, int) {}
  // Fills `buffer` (of `size` bytes) with the item's text and returns it.
  virtual char* get_data(int item, int column, char* buffer, std::size_t size) = 0;
  virtual char* GetCellDescription(int item, int column, char* buffer, std::size_t size);
  virtual int GetItemImage(int item, int column) const;
  virtual std::string GetDisplayName() const;
  virtual void SetDisplayName(const std::string& name);
  virtual int GetParentSlot() const { return parentSlot_; }
  virtual int GetChildSlot(int item) const;
  virtual Pager* GetPager() { return nullptr; }
  virtual PluginHandOver* GetPluginHandOver() { return nullptr; }
  virtual QueryHolder* GetSqlTarget() { return nullptr; }

  // Convenience for callers that want a string.
  std::string Text(int item, int column, std::size_t size = 1024);
  std::string Description(int item, int column, std::size_t size = 1024);

  int OwnSlot() const { return ownSlot_; }

  // List settings (slots 1 to 4 have them).
  bool HasListSettings() const { return hasListSettings_; }
  void SetHasListSettings(bool has) { hasListSettings_ = has; }
  // Written by the window's thread (a style command, the settings), read by the loading job.
  std::uint32_t ListViewStyle() const { return listViewStyle_.load(); }
  std::uint32_t ExtendedListStyle() const { return extendedListStyle_.load(); }
  void SetListViewStyle(std::uint32_t style) { listViewStyle_.store(style); }
  void SetExtendedListStyle(std::uint32_t style) { extendedListStyle_.store(style); }

  std::uintptr_t TreeItem() const { return treeItem_; }
  void SetTreeItem(std::uintptr_t item) { treeItem_ = item; }

 protected:
  FrameServices& Services() const { return *host_.services; }
  SessionRef Session() const { return host_.session ? *host_.session : nullptr; }
  JobCancel* Cancel() const { return host_.cancel; }
  // The "Fatal Error" box for a request that is missing.
  void ReportNullRequest(const char* where) const;
  // The box for an exception that is not the program's own.
  void ReportUnknownError() const;

 private:
  ElementHost host_;
  mutable std::mutex nameLock_;
  std::string name_;
  int parentSlot_;
  int childSlot_;
  int ownSlot_;
  int itemImage_;
  bool hasListSettings_ = false;
  std::atomic<std::uint32_t> listViewStyle_{0};
  std::atomic<std::uint32_t> extendedListStyle_{0};
  std::uintptr_t treeItem_ = 0;
};

// Copies `text` into `buffer` (of `size` bytes), cut so that no UTF-8 sequence is split.
// A null buffer or size 0 is left alone.
char* CopyText(const std::string& text, char* buffer, std::size_t size);

}  // namespace quillet
