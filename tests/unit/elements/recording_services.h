#pragma once
// A FrameServices that records every call, so tests can check what a job showed and reported.
// Calls may come from the worker thread; waiting for a condition uses a condition variable,
// not a clock.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "elements/frame_services.h"
#include "resources/string_table.h"

namespace quillet::test {

class RecordingServices : public FrameServices {
 public:
  struct Step {
    std::string text;
    int position;
  };
  struct Column {
    std::string title;
    int index;
    int width;  // -1 until set
  };

  ProgressHandle CreateProgressBar() override {
    Record([&] { ++progressBars; });
    return 1;
  }
  void ReportStep(ProgressHandle, unsigned id, int position) override {
    Record([&] { steps.push_back({id ? LoadResourceString(id) : std::string(), position}); });
  }
  void ReportProgressText(ProgressHandle, const std::string& text, int position) override {
    Record([&] { steps.push_back({text, position}); });
  }
  void HideProgressBar(ProgressHandle) override {
    Record([&] { ++hiddenBars; });
  }
  void InsertDataColumn(const std::string& title, int index, int) override {
    Record([&] { columns.insert(columns.begin() + index, Column{title, index, -1}); });
  }
  void SetDataColumnWidth(int index, int width) override {
    Record([&] {
      if (index >= 0 && index < static_cast<int>(columns.size())) columns[index].width = width;
    });
  }
  void DeleteDataColumns() override {
    Record([&] { columns.clear(); });
  }
  void ReportError(const std::string& text) override {
    Record([&] { errors.push_back(text); });
  }
  void ReportInformation(const std::string&) override {}
  void SetDataListItemCount(int count) override {
    Record([&] { itemCount = count; });
  }
  void SetDataListStyle(std::uint32_t view, std::uint32_t) override {
    Record([&] { viewStyle = view; });
  }
  void SetStatusPaneText(unsigned pane, const std::string& text) override {
    Record([&] { panes[pane] = text; });
  }
  void EnableQuickViewBar(bool enable) override {
    Record([&] { quickViewEnabled = enable; });
  }
  void SetSqlText(const std::string& text) override {
    Record([&] { sqlText = text; });
  }
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    Record([&] { messages.push_back(caption + "|" + text); });
  }
  void RedrawDataList() override {}
  void PageShown(int count, int cursorRow) override {
    Record([&] { shownPage = {count, cursorRow}; });
  }

  // Waits until `done` holds (checked after every recorded call). The limit only keeps a
  // broken build from hanging the test run; it is not what the test measures.
  bool WaitUntil(const std::function<bool(const RecordingServices&)>& done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::minutes(5), [&] { return done(*this); });
  }

  // Snapshot helpers (call when no job runs).
  bool HasStep(const std::string& text, int position) const {
    for (const Step& s : steps)
      if (s.text == text && s.position == position) return true;
    return false;
  }

  int progressBars = 0;
  int hiddenBars = 0;
  std::vector<Step> steps;
  std::vector<Column> columns;
  std::vector<std::string> errors;
  std::vector<std::string> messages;
  std::map<unsigned, std::string> panes;
  std::string sqlText;
  int itemCount = -1;
  std::pair<int, int> shownPage{-2, -2};  // rows and cursor row of the last page job
  std::uint32_t viewStyle = 99;
  bool quickViewEnabled = true;

 private:
  template <class F>
  void Record(F&& change) {
    {
      std::lock_guard lock(mutex_);
      change();
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace quillet::test
