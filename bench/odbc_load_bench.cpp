// The table element over the PostgreSQL ODBC driver beside libpq doing the same work on one
// connection held open, in the same run against the throwaway test server (medians; ours and
// libpq take turns). The table, bench_rows with 10^6 rows, is made through libpq as the database's
// owner when it is missing.
//   next page   LoadPage(k + 1) right after LoadPage(k) / FETCH FORWARD 100 from a scroll cursor
//               that has just given the 100 rows before, and PQgetvalue of every cell;
//   last page   LoadPage(9999) after page 0, once the rows are counted / MOVE ABSOLUTE 999900 and
//               FETCH FORWARD 100 on a cursor that has just given the first 100 rows;
//   first page  show_data until the first page is in the cache / BEGIN, DECLARE ... SCROLL CURSOR
//               and the first FETCH FORWARD 100 (no target: a load of ours also connects, starts
//               its read-only transaction and asks the catalog for the columns).
// Then how often one load runs the query, from the server's statement log.
//
// The ODBC connection string comes from the first argument or QUILLET_ODBC_CONNECT (as the
// throwaway test server writes it); libpq reaches the same server, database and role with it.

#include <libpq-fe.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_targets.h"
#include "datasource/open_ops.h"
#include "datasource/text_convert.h"
#include "elements/frame_services.h"
#include "elements/job_cancel.h"
#include "tabledata/element_table.h"

namespace {

using quillet::bench::MedianPair;

constexpr long long kRows = 1'000'000;
constexpr long long kPage = quillet::kCachePageRows;
// Ours names the table with its schema and libpq without, so the statement log tells ours'
// executions from libpq's.
const char* const kTable = "public.bench_rows";

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "bench_odbc_load: %s\n", text.c_str());
  std::exit(1);
}

// Services that do nothing; an error ends the benchmark, since its figures would be meaningless.
class QuietServices : public quillet::FrameServices {
 public:
  quillet::ProgressHandle CreateProgressBar() override { return 1; }
  void ReportStep(quillet::ProgressHandle, unsigned, int) override {}
  void ReportProgressText(quillet::ProgressHandle, const std::string&, int) override {}
  void HideProgressBar(quillet::ProgressHandle) override {}
  void InsertDataColumn(const std::string&, int, int) override {}
  void SetDataColumnWidth(int, int) override {}
  void DeleteDataColumns() override {}
  void ReportError(const std::string& text) override { Fail(text); }
  void ReportInformation(const std::string&) override {}
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// KEY=VALUE;... with keys in lower case; a value may be braced, and "}}" inside braces is one
// brace, so a password holding ';' survives.
std::map<std::string, std::string> ParseConnectString(const std::string& text) {
  std::map<std::string, std::string> values;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t eq = text.find('=', i);
    if (eq == std::string::npos) break;
    const std::string key = Lower(Trim(text.substr(i, eq - i)));
    std::size_t j = eq + 1;
    while (j < text.size() && text[j] == ' ') ++j;
    std::string value;
    if (j < text.size() && text[j] == '{') {
      for (++j; j < text.size(); ++j) {
        if (text[j] == '}') {
          if (j + 1 < text.size() && text[j + 1] == '}') {
            value += '}';
            ++j;
            continue;
          }
          ++j;
          break;
        }
        value += text[j];
      }
      const std::size_t semi = text.find(';', j);
      i = semi == std::string::npos ? text.size() : semi + 1;
    } else {
      const std::size_t semi = text.find(';', j);
      const std::size_t end = semi == std::string::npos ? text.size() : semi;
      value = Trim(text.substr(j, end - j));
      i = end + 1;
    }
    if (!key.empty()) values[key] = value;
  }
  return values;
}

std::string Find(const std::map<std::string, std::string>& values,
                 std::initializer_list<const char*> keys, const std::string& fallback) {
  for (const char* key : keys)
    if (auto it = values.find(key); it != values.end() && !it->second.empty()) return it->second;
  return fallback;
}

std::atomic<std::size_t> sink{0};

// One libpq connection to the server of the connection string.
class Libpq {
 public:
  explicit Libpq(const std::map<std::string, std::string>& values) {
    const std::string host = Find(values, {"server", "servername", "host"}, "127.0.0.1");
    const std::string port = Find(values, {"port"}, "5432");
    const std::string database = Find(values, {"database", "db"}, "");
    const std::string user = Find(values, {"uid", "username", "user"}, "");
    const std::string password = Find(values, {"pwd", "password"}, "");
    const char* keys[] = {"host", "port", "dbname", "user", "password", "connect_timeout", nullptr};
    const char* vals[] = {host.c_str(),     port.c_str(), database.c_str(), user.c_str(),
                          password.c_str(), "10",         nullptr};
    conn_ = PQconnectdbParams(keys, vals, 0);
    if (PQstatus(conn_) != CONNECTION_OK) Fail(std::string("libpq: ") + PQerrorMessage(conn_));
  }
  ~Libpq() { PQfinish(conn_); }
  Libpq(const Libpq&) = delete;
  Libpq& operator=(const Libpq&) = delete;

  // Runs a command whose result is not looked at.
  void Run(const std::string& sql) { PQclear(Check(PQexec(conn_, sql.c_str()), sql)); }

  // Runs a query and reads every cell, as a client showing the rows would; the rows.
  int Read(const std::string& sql) {
    PGresult* result = Check(PQexec(conn_, sql.c_str()), sql);
    const int rows = PQntuples(result);
    const int columns = PQnfields(result);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        const char* value = PQgetvalue(result, r, c);
        const int length = PQgetlength(result, r, c);
        sink += static_cast<std::size_t>(length) +
                (length > 0 ? static_cast<unsigned char>(value[0]) : 0);
      }
    }
    PQclear(result);
    return rows;
  }

  bool Exists(const std::string& table) {
    PGresult* result = Check(
        PQexec(conn_, ("select to_regclass('" + table + "') is not null").c_str()), "to_regclass");
    const bool exists = PQntuples(result) == 1 && std::string(PQgetvalue(result, 0, 0)) == "t";
    PQclear(result);
    return exists;
  }

 private:
  PGresult* Check(PGresult* result, const std::string& sql) {
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
      const std::string message = PQresultErrorMessage(result);
      PQclear(result);
      Fail("libpq: " + message + " in: " + sql);
    }
    return result;
  }

  PGconn* conn_ = nullptr;
};

// How often one load of the table runs its query, as the server's statement log says (the
// throwaway server logs every statement); -1 without a log.
int ExecutionsPerLoad(quillet::xElement_Table& table, const quillet::ShowData& request) {
  const char* state = std::getenv("QUILLET_PG_STATE");
  if (state == nullptr) return -1;
  const std::string log = std::string(state) + "/server.log";
  std::error_code error;
  table.ReleaseData();
  const auto before = std::filesystem::file_size(log, error);
  if (error) return -1;
  table.show_data(&request);
  std::ifstream in(log);
  in.seekg(static_cast<std::streamoff>(before));
  std::stringstream added;
  added << in.rdbuf();
  const std::string text = added.str();
  const std::string query = std::string("from ") + kTable;
  int runs = 0;
  for (auto at = text.find(query); at != std::string::npos; at = text.find(query, at + 1)) ++runs;
  return runs;
}

std::string LastErrorText() {
  std::optional<quillet::db::ErrorInfo> info;
  if (quillet::db::GetErrorInfo(&info) != quillet::db::S_OK || !info) return "no details";
  return quillet::db::Utf16ToUtf8(info->description);
}

void WaitForCount(quillet::xElement_Table& table) {
  while (table.CountRunning()) std::this_thread::sleep_for(std::chrono::microseconds(200));
  if (!table.RowCountKnown() || table.GetRowCount() != kRows)
    Fail("counted " + std::to_string(table.GetRowCount()) + " rows in " + kTable + ", expected " +
         std::to_string(kRows));
}

void Page(quillet::xElement_Table& table, int page) {
  table.LoadPage(page);
  if (table.GetCurrentPage() != page || table.CachedRows() != kPage)
    Fail("page " + std::to_string(page) + " did not load");
}

}  // namespace

int main(int argc, char** argv) {
  const char* fromEnv = std::getenv("QUILLET_ODBC_CONNECT");
  const std::string connect = argc > 1 ? argv[1] : fromEnv ? fromEnv : "";
  if (connect.empty()) {
    std::fprintf(stderr,
                 "usage: bench_odbc_load <odbc connection string> (or set QUILLET_ODBC_CONNECT)\n");
    return 2;
  }
  Libpq pq(ParseConnectString(connect));

  // The table, once per server: the test server is new for every run of the benchmarks.
  if (!pq.Exists(kTable)) {
    pq.Run("create table " + std::string(kTable) +
           " as select i as id, 'row ' || i as label from generate_series(1, " +
           std::to_string(kRows) + ") i");
    pq.Run("alter table " + std::string(kTable) + " add primary key (id)");
    // Sets the rows' hint bits now, so no timed read is the first to write them.
    pq.Run("vacuum analyze " + std::string(kTable));
  }

  std::shared_ptr<quillet::db::IDBInitialize> source;
  if (quillet::db::Failed(quillet::db::OpenFromInitString(
          quillet::db::Utf8ToUtf16("Provider=ODBC;" + connect), &source)))
    Fail("cannot connect over ODBC: " + LastErrorText());
  quillet::SessionRef session;
  if (quillet::db::Failed(quillet::db::OpenSession(source, &session)))
    Fail("cannot open an ODBC session: " + LastErrorText());

  QuietServices services;
  quillet::JobCancel cancel;
  quillet::ElementHost host{&services, &session, &cancel};
  quillet::xElement_Table table(host, 57506, 5, 2);
  table.SetName(kTable);
  quillet::ShowData request;
  request.redrawColumns = true;
  quillet::bench::Targets targets;

  // The first page, for reference. Ours is let go before libpq's turn, so its background count
  // does not keep the server busy meanwhile; libpq's cursor is given up before its next turn.
  bool inTransaction = false;
  const auto first = MedianPair(
      11, [&] { table.ReleaseData(); }, [&] { table.show_data(&request); },
      [&] {
        table.ReleaseData();
        if (std::exchange(inTransaction, false)) pq.Run("rollback");
      },
      [&] {
        pq.Run("begin");
        inTransaction = true;
        pq.Run("declare f scroll cursor for select * from bench_rows");
        if (pq.Read("fetch forward 100 from f") != kPage) Fail("libpq: a short first page");
      });
  if (inTransaction) pq.Run("rollback");
  std::printf("odbc %lld rows  first page: ours %.3f ms  libpq %.3f ms  ratio %.2f  (no target)\n",
              kRows, first.ours * 1e3, first.raw * 1e3, first.Ratio());
  std::fflush(stdout);
  table.show_data(&request);
  WaitForCount(table);

  // libpq's cursor, held open for the pages that follow.
  pq.Run("begin");
  pq.Run("declare c scroll cursor for select * from bench_rows");

  // The next page: page k + 1 right after page k.
  const int k = 4'999;
  const auto next = MedianPair(
      21, [&] { Page(table, k); }, [&] { Page(table, k + 1); },
      [&] {
        pq.Run("move absolute " + std::to_string(k * kPage) + " in c");
        pq.Read("fetch forward 100 from c");
      },
      [&] {
        if (pq.Read("fetch forward 100 from c") != kPage) Fail("libpq: a short page");
      });
  std::printf(
      "odbc %lld rows  next page (%d after %d): ours %.3f ms  libpq %.3f ms  ratio %.2f"
      "  (target <= 1.30: %s)\n",
      kRows, k + 1, k, next.ours * 1e3, next.raw * 1e3, next.Ratio(),
      targets.Add("odbc next page", next.Ratio(), 1.3));
  std::fflush(stdout);

  // The last page, from the first, with the rows counted.
  const int last = table.GetPageCount() - 1;
  const auto tail = MedianPair(
      7, [&] { Page(table, 0); }, [&] { Page(table, last); },
      [&] {
        pq.Run("move absolute 0 in c");
        pq.Read("fetch forward 100 from c");
      },
      [&] {
        pq.Run("move absolute " + std::to_string(last * kPage) + " in c");
        if (pq.Read("fetch forward 100 from c") != kPage) Fail("libpq: a short last page");
      });
  std::printf(
      "odbc %lld rows  last page (%d after 0): ours %.2f ms  libpq %.2f ms  ratio %.2f"
      "  (target <= 1.30: %s)\n",
      kRows, last, tail.ours * 1e3, tail.raw * 1e3, tail.Ratio(),
      targets.Add("odbc last page", tail.Ratio(), 1.3));
  pq.Run("rollback");

  std::printf("odbc executions of the query per load: %d (target 1)\n",
              ExecutionsPerLoad(table, request));
  table.ReleaseData();
  targets.PrintWorst();
  return 0;
}
