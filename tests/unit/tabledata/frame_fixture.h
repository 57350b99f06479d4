#pragma once
// The parts of a main window that the element model and the loading job need, wired as the
// frame wires them, over a real SQLite session.

#include <memory>
#include <string>
#include <vector>

#include "elements/element_set.h"
#include "elements/job_cancel.h"
#include "tabledata/data_list_model.h"
#include "tabledata/element_table.h"
#include "tabledata/worker_thread.h"
#include "unit/elements/recording_services.h"
#include "unit/tabledata/test_databases.h"

namespace quillet::test {

struct NavigationRecord {
  int slot;
  std::string statusText;
  std::string query;  // of the request, "<none>" without one
  std::string table;
  long long row;
};

struct FrameFixture {
  explicit FrameFixture(const std::string& path)
      : session(OpenSqliteSession(path)),
        elements(services, &session, &cancel, nullptr),
        dataList(services),
        worker(elements, services, dataList, cancel) {
    dataList.SetIdleState(&worker.Idle());
    worker.SetAddPoint([this](int slot, const std::string& text, std::unique_ptr<ShowData> r,
                              long long row) {
      points.push_back({slot, text, r ? r->query : std::string("<none>"), r ? r->table : "", row});
    });
  }

  // Runs one job to its end, as a selection would start it.
  void RunJob(int code, std::unique_ptr<ShowData> request = nullptr) {
    worker.SetJobCode(code);
    if (request) worker.SetPendingRequest(std::move(request));
    worker.Start();
    worker.Join();
  }
  // Runs a query of the user's on the table element.
  void RunQuery(const std::string& query) {
    auto request = std::make_unique<ShowData>();
    request->query = query;
    request->reload = true;
    RunJob(kSlotTable, std::move(request));
    Table().EnsureRowCount();
  }
  // Shows a table as a selection would, and waits for its rows to be counted.
  void ShowTable(const std::string& name) {
    elements.TableElement(kSlotTable)->ChooseName(name);
    RunJob(kSlotTable);
    Table().EnsureRowCount();
  }
  xElement_Table& Table() { return *elements.TableElement(kSlotTable); }
  // Runs a page job to its end, as a page turn or a jump would start it.
  void RunPage(PageJob job) {
    worker.SetPageJob(job);
    worker.Start();
    worker.Join();
  }

  RecordingServices services;
  SessionRef session;
  JobCancel cancel;
  xElementSet elements;
  DataListModel dataList;
  std::vector<NavigationRecord> points;
  WorkerThread worker;
};

}  // namespace quillet::test
