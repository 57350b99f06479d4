// Loading a PostgreSQL table over ODBC through the element and paging to its end, each beside
// psql fetching the same rows in the same run: (a) the element counts the rows and reads the
// first 100, psql fetches every row (what a count by walking plus the first page costs a plain
// client); (b) the element turns to the last page, psql fetches those 100 rows with an offset.
// psql runs as a child process, so its figure includes starting and connecting.
//
// The ODBC connection string comes from the first argument or QUILLET_ODBC_CONNECT (as the
// throwaway test server writes it); psql is QUILLET_PSQL or the one on the PATH.

#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "datasource/open_ops.h"
#include "datasource/text_convert.h"
#include "elements/job_cancel.h"
#include "shell/frame_services.h"
#include "tabledata/element_table.h"

namespace {

constexpr long long kRows = 100'000;
constexpr int kRuns = 3;
const char* const kTable = "public.big_table";

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

// psql with the server of the connection string; the password goes in the child's environment,
// never on its command line.
struct Psql {
  std::string program;
  std::string host, port, user, database, password;

  // Seconds from start to exit of psql running `sql` with its output thrown away.
  double Time(const std::string& sql) const {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) Fail("fork failed");
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      if (null >= 0) ::dup2(null, STDOUT_FILENO);
      ::setenv("PGPASSWORD", password.c_str(), 1);
      ::setenv("PGCONNECT_TIMEOUT", "10", 1);
      std::vector<std::string> args = {program,  "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1",
                                       "-h",     host, "-p", port, "-U", user, "-d",
                                       database, "-c", sql};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execvp(program.c_str(), argv.data());
      std::perror("bench_odbc_load: cannot run psql");
      ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("psql failed on: " + sql);
    return seconds;
  }
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double MedianOf(const std::function<void()>& setup, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    setup();
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return Median(times);
}

// How often one load of the table runs its query, as the server's statement log says (the
// throwaway server logs every statement); -1 without a log.
int ExecutionsPerLoad(quillet::xElement_Table& table, const quillet::ShowData& request) {
  const char* state = std::getenv("QUILLET_PG_STATE");
  if (state == nullptr) return -1;
  const std::string log = std::string(state) + "/server.log";
  std::error_code error;
  const auto before = std::filesystem::file_size(log, error);
  if (error) return -1;
  table.ReleaseData();
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

}  // namespace

int main(int argc, char** argv) {
  const char* fromEnv = std::getenv("QUILLET_ODBC_CONNECT");
  const std::string connect = argc > 1 ? argv[1] : fromEnv ? fromEnv : "";
  if (connect.empty()) {
    std::fprintf(stderr,
                 "usage: bench_odbc_load <odbc connection string> (or set QUILLET_ODBC_CONNECT)\n");
    return 2;
  }
  const auto values = ParseConnectString(connect);
  const char* psqlProgram = std::getenv("QUILLET_PSQL");
  const Psql psql{psqlProgram && *psqlProgram ? psqlProgram : "psql",
                  Find(values, {"server", "servername", "host"}, "127.0.0.1"),
                  Find(values, {"port"}, "5432"),
                  Find(values, {"uid", "username", "user"}, ""),
                  Find(values, {"database", "db"}, ""),
                  Find(values, {"pwd", "password"}, "")};

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
  const double oursFirst =
      MedianOf([&] { table.ReleaseData(); }, [&] { table.show_data(&request); });
  if (table.GetRowCount() != kRows)
    Fail("counted " + std::to_string(table.GetRowCount()) + " rows in " + kTable + ", expected " +
         std::to_string(kRows));
  const std::string all = std::string("select * from ") + kTable;
  const double psqlFirst = MedianOf([] {}, [&] { psql.Time(all); });

  const int last = table.GetPageCount() - 1;
  const double oursLast = MedianOf([&] { table.LoadPage(0); }, [&] { table.LoadPage(last); });
  if (table.GetCurrentPage() != last || table.GetRowsInPage() != quillet::kCachePageRows)
    Fail("the last page did not load");
  const std::string tail = all + " offset " +
                           std::to_string(static_cast<long long>(last) * quillet::kCachePageRows) +
                           " limit " + std::to_string(quillet::kCachePageRows);
  const double psqlLast = MedianOf([] {}, [&] { psql.Time(tail); });

  std::printf(
      "odbc %lld rows  first page: ours %.4f s psql %.4f s ratio %.2f | last page: ours %.4f s "
      "psql %.4f s ratio %.2f  (no target yet)\n",
      kRows, oursFirst, psqlFirst, oursFirst / psqlFirst, oursLast, psqlLast, oursLast / psqlLast);
  std::printf("odbc executions of the query per load: %d (target 1)\n",
              ExecutionsPerLoad(table, request));
  table.ReleaseData();
  return 0;
}
