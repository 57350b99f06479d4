#pragma once
// The folder elements: each reads one schema rowset once, keeps every row as a record of
// display texts, and answers the tree and the data list from those records until released.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "datasource/cmlib_exception.h"
#include "datasource/text_convert.h"
#include "elements/element.h"
#include "elements/element_slots.h"
#include "elements/frame_services.h"
#include "elements/job_cancel.h"
#include "elements/provider_error.h"
#include "resources/string_table.h"

namespace quillet {

// The schema rowset a folder reads: which schema, its row layout and bindings.
struct SchemaLayout {
  db::Guid schema;
  std::size_t rowSize = 0;
  std::vector<db::DBBINDING> bindings;
};

namespace schema_ids {
constexpr unsigned kLoadsElementInfo = 64500;
constexpr unsigned kEnumeratesElements = 64501;
}  // namespace schema_ids

template <class Record>
class xElementSchemaT : public xElement {
 public:
  xElementSchemaT(const ElementHost& host, unsigned nameId, int ownSlot, int childSlot,
                  int itemImage, SchemaLayout layout, std::string typeFilter)
      : xElement(host, nameId, ownSlot, kSlotDatabase, childSlot, itemImage),
        layout_(std::move(layout)),
        typeFilter_(std::move(typeFilter)) {
    // Only the fourth restriction (the table type) is ever set.
    if (!typeFilter_.empty()) restrictionTexts_[3] = typeFilter_;
  }
  ~xElementSchemaT() override { CloseRowset(); }

  void show_data(const ShowData* request) override;

  void ReleaseData() override {
    std::lock_guard lock(dataLock_);
    SetItemCount(0);
    CloseRowset();
    ClearRows();
  }
  bool HasData() const override {
    std::lock_guard lock(dataLock_);
    return rowset_ != nullptr;
  }
  int GetRowCount() const override {
    std::lock_guard lock(countLock_);
    return itemCount_;
  }
  char* get_data(int row, int column, char* buffer, std::size_t size) override {
    std::lock_guard lock(dataLock_);
    if (!rowset_) return CopyText("", buffer, size);
    std::string text = "(EMPTY)";
    GetField(row, column, &text);
    return CopyText(text, buffer, size);
  }

  virtual void SetItemCount(int count) {
    std::lock_guard lock(countLock_);
    itemCount_ = count;
  }
  virtual void AppendRow(std::unique_ptr<Record> record) {
    std::lock_guard lock(recordsLock_);
    records_.push_back(std::move(record));
  }
  virtual void ClearRows() {
    std::lock_guard lock(recordsLock_);
    records_.clear();
  }
  virtual const Record* GetRow(int index) const {
    std::lock_guard lock(recordsLock_);
    if (index < 0 || index >= static_cast<int>(records_.size())) return nullptr;
    return records_[index].get();
  }
  // Each folder supplies these three.
  virtual void InsertListColumns() {}
  virtual void StoreRow(int, const std::uint8_t*) {}
  virtual void GetField(int, int, std::string*) const {}

  const std::string& TypeFilter() const { return typeFilter_; }
  int RecordCount() const {
    std::lock_guard lock(recordsLock_);
    return static_cast<int>(records_.size());
  }

 protected:
  // Replaces `text` with the column's text when the row and column exist.
  void FieldOf(int row, int column, std::string* text) const {
    std::lock_guard lock(recordsLock_);
    if (row < 0 || row >= static_cast<int>(records_.size())) return;
    if (column < 0 || column >= static_cast<int>(Record::kColumns)) return;
    *text = records_[row]->column[column];
  }

 private:
  void CloseRowset() {
    if (rowset_) {
      if (row_ != db::DB_NULL_HROW) rowset_->ReleaseRows(1, &row_);
      if (accessor_ != db::DB_NULL_HACCESSOR) rowset_->ReleaseAccessor(accessor_);
    }
    row_ = db::DB_NULL_HROW;
    accessor_ = db::DB_NULL_HACCESSOR;
    rowset_.reset();
  }

  // One row into the row buffer: release the previous row, fetch, read.
  db::HRESULT FetchNext() {
    if (row_ != db::DB_NULL_HROW) {
      rowset_->ReleaseRows(1, &row_);
      row_ = db::DB_NULL_HROW;
    }
    std::size_t obtained = 0;
    db::HROW row = db::DB_NULL_HROW;
    db::HRESULT hr = rowset_->GetNextRows(0, 1, &obtained, &row);
    if (hr != db::S_OK) return hr;
    row_ = row;
    std::fill(rowBuffer_.begin(), rowBuffer_.end(), std::uint8_t{0});
    db::HRESULT got = rowset_->GetData(row_, accessor_, rowBuffer_.data());
    if (db::Failed(got)) {
      rowset_->ReleaseRows(1, &row_);
      row_ = db::DB_NULL_HROW;
      return got;
    }
    return db::S_OK;
  }

  void Enumerate(FrameServices& services, ProgressHandle progress);

  SchemaLayout layout_;
  std::string typeFilter_;
  std::array<std::string, 7> restrictionTexts_;

  mutable std::recursive_mutex dataLock_;
  std::shared_ptr<db::IRowset> rowset_;
  db::HACCESSOR accessor_ = db::DB_NULL_HACCESSOR;
  db::HROW row_ = db::DB_NULL_HROW;
  std::vector<std::uint8_t> rowBuffer_;

  mutable std::mutex countLock_;
  int itemCount_ = 0;
  mutable std::mutex recordsLock_;
  std::vector<std::unique_ptr<Record>> records_;
};

template <class Record>
void xElementSchemaT<Record>::show_data(const ShowData* request) {
  if (!request) {
    ReportNullRequest("xElementSchemaT::show_data");
    return;
  }
  if (request->reload) ReleaseData();
  FrameServices& services = Services();
  if (HasData()) {
    if (request->redrawColumns) {
      services.DeleteDataColumns();
      InsertListColumns();
    }
    return;
  }
  ProgressHandle progress = services.CreateProgressBar();
  try {
    std::lock_guard lock(dataLock_);
    services.ReportProgressText(progress, "", 1);
    if (request->redrawColumns) {
      services.DeleteDataColumns();
      InsertListColumns();
    }
    Enumerate(services, progress);
  } catch (const cmlib::exception& e) {
    services.ReportError(e.text());
  } catch (const JobStopped&) {
    // A stopped enumeration leaves the folder unloaded, so the next visit reads it again.
    std::lock_guard lock(dataLock_);
    CloseRowset();
    ClearRows();
    SetItemCount(0);
  } catch (...) {
    ReportUnknownError();
  }
  services.ReportProgressText(progress, "", 100);
  services.HideProgressBar(progress);
}

template <class Record>
void xElementSchemaT<Record>::Enumerate(FrameServices& services, ProgressHandle progress) {
  services.ReportStep(progress, schema_ids::kLoadsElementInfo, 10);
  CloseRowset();

  db::Restrictions restrictions(4);
  for (std::size_t i = 0; i < restrictions.size(); ++i)
    if (!restrictionTexts_[i].empty()) restrictions[i] = db::Utf8ToUtf16(restrictionTexts_[i]);

  SessionRef session = Session();
  if (!session) RaiseProviderError(ids::kContextElementOpen, db::E_UNEXPECTED);
  std::shared_ptr<db::IRowset> rowset;
  db::HRESULT hr = session->GetSchemaRowset(layout_.schema, restrictions, &rowset);
  if (db::Succeeded(hr) && !rowset) hr = db::E_UNEXPECTED;
  if (db::Failed(hr)) RaiseProviderError(ids::kContextElementOpen, hr);
  db::HACCESSOR accessor = db::DB_NULL_HACCESSOR;
  hr = rowset->CreateAccessor(db::DBACCESSOR_ROWDATA, layout_.bindings, layout_.rowSize, &accessor);
  if (db::Failed(hr)) RaiseProviderError(ids::kContextElementOpen, hr);
  rowset_ = rowset;
  accessor_ = accessor;
  rowBuffer_.assign(layout_.rowSize, 0);

  ClearRows();
  services.ReportStep(progress, schema_ids::kEnumeratesElements, 30);
  const std::string stepText = LoadResourceString(schema_ids::kEnumeratesElements);

  JobCancel::Watch watch(Cancel(), rowset_);
  int stored = 0;
  while (true) {
    if (Cancel()) Cancel()->ThrowIfRequested();
    hr = FetchNext();
    if (hr != db::S_OK) break;
    StoreRow(stored, rowBuffer_.data());
    std::string name = "(EMPTY)";
    GetField(stored, 0, &name);
    ++stored;
    services.ReportProgressText(progress,
                                stepText + " " + std::to_string(stored) + "/\"" + name + "\"", 30);
  }
  if (db::Failed(hr)) {
    if (Cancel()) Cancel()->ThrowIfRequested();
    RaiseProviderError(ids::kContextElementFetch, hr);
  }
  SetItemCount(stored);
}

}  // namespace quillet
