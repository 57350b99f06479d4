// Every way a careless or hostile user could try to change a database through the SQL window,
// run against every real provider: the built-in SQLite provider, the SQLite ODBC driver, and
// the PostgreSQL and MariaDB test servers through their ODBC drivers. After each attempt the
// database's contents (its file, or the server's own dump of it) and the files of its folder
// are as they were.

#include <sys/stat.h>

#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "datasource/error_info.h"
#include "odbc_test_support.h"
#include "unit/datasource/test_files.h"

namespace quillet::db::testing {
namespace {

namespace fs = std::filesystem;

// One attempt: the commands a user runs one after another. `{dir}` stands for a folder a file
// could be made in.
struct Attempt {
  const char* name;
  std::vector<std::string> commands;
};

const std::vector<Attempt>& Attempts() {
  static const std::vector<Attempt> attempts = {
      {"StackedWithCommit",
       {"select 1; commit; set transaction read write; create table public.t(x int); insert "
        "into public.t values (42)"}},
      {"StackedDelete", {"select 1; delete from customers"}},
      {"ReadWriteThenWrite",
       {"set transaction read write", "insert into customers values (90, 'x', 'y')"}},
      {"SessionReadWriteThenWrite",
       {"set session characteristics as transaction read write",
        "insert into customers values (91, 'x', 'y')"}},
      {"DefaultReadOnlyOffThenWrite",
       {"select set_config('default_transaction_read_only', 'off', false)",
        "insert into customers values (92, 'x', 'y')"}},
      {"DoBlock", {"do $$ begin insert into customers values (93, 'x', 'y'); end $$"}},
      {"WritingFunction", {"select bump_audit()"}},
      {"WritingProcedure", {"call record_visit('x')"}},
      {"WithDelete", {"with gone as (delete from customers returning *) select * from gone"}},
      {"ForUpdate", {"select * from customers for update"}},
      {"Nextval", {"select nextval('seq_ids')", "select nextval(seq_ids)"}},
      {"TempTable", {"create temp table tt (x int)", "create temporary table tt (x int)"}},
      {"PlainWrites",
       {"insert into customers values (94, 'x', 'y')", "update customers set name = 'z'",
        "delete from customers", "drop table audit", "truncate table audit",
        "alter table customers add column extra int", "create table intruder (x int)"}},
      {"Attach", {"attach database '{dir}/attached.db' as other"}},
      {"VacuumInto", {"vacuum into '{dir}/copy.db'", "vacuum"}},
      {"OpenTransaction", {"begin", "insert into customers values (95, 'x', 'y')"}},
      {"EndTransaction", {"commit", "end", "rollback"}},
      {"Savepoint", {"savepoint s", "insert into customers values (96, 'x', 'y')"}},
      {"WritablePragmas",
       {"pragma query_only = 0", "insert into customers values (97, 'x', 'y')",
        "pragma user_version = 7", "pragma journal_mode = wal", "pragma main.user_version(8)",
        "pragma optimize"}},
      {"LoadExtension", {"select load_extension('{dir}/nothing')"}},
      {"SemicolonInString", {"select 'a;b' as x; delete from customers"}},
      {"SemicolonAfterComment",
       {"select 1 /* ; */ ; delete from customers", "select 1 -- ;\n; delete from customers",
        "select 1 # ;\n; delete from customers"}},
      {"DollarQuoteHidesSemicolon", {"select $$;$$; delete from customers"}},
      {"BackslashQuote", {"select '\\'; delete from customers; -- '"}},
      {"ExecutableComment", {"select 1 /*! ; delete from customers */"}},
      {"Locks",
       {"lock tables customers write", "select get_lock('quillet', 1)",
        "lock table customers in access exclusive mode"}},
      {"ServerFiles",
       {"copy customers to '{dir}/copy.csv'",
        "select * from customers into outfile '{dir}/outfile.csv'"}},
  };
  return attempts;
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The names (and sizes) of a folder's files, sorted.
std::string Listing(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    std::error_code sizeError;
    const auto size = entry.is_regular_file() ? entry.file_size(sizeError) : 0;
    names.push_back(entry.path().filename().string() + ":" + std::to_string(size));
  }
  std::sort(names.begin(), names.end());
  std::string all;
  for (const auto& n : names) all += n + "\n";
  return all;
}

// A digest of a database's bytes or of a server's dump; the two dumps differ only where the
// contents do, apart from the random key that newer dumps carry on their \restrict lines.
std::string Digest(const std::string& bytes) {
  std::string kept;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("\\restrict") && !line.starts_with("\\unrestrict")) kept += line + "\n";
  }
  return "contents " + std::to_string(std::hash<std::string>{}(kept)) + "\n";
}

void MakeVictim(const std::string& path) {
  RunSql(path,
         "create table customers (id integer primary key, name varchar(40) not null, city "
         "varchar(40));"
         "insert into customers values (1, 'Ada', 'London'), (2, 'Grace', 'Arlington'), "
         "(3, 'Björn', null);"
         "create table audit (id integer primary key, note varchar(100));"
         "create view customer_names as select id, name from customers;");
}

// A provider under attack: how to connect and how to see what the database holds.
class Target {
 public:
  virtual ~Target() = default;
  virtual std::string InitString() = 0;
  // The database's contents and the files that hold them, in one comparable text.
  virtual std::string Fingerprint() = 0;
  // Whether another process could write to the database now (a lock or transaction left open
  // by the session would keep it out).
  virtual bool WriterGetsThrough() { return true; }
};

class SqliteTarget final : public Target {
 public:
  explicit SqliteTarget(bool throughOdbc) : throughOdbc_(throughOdbc) { MakeVictim(Path()); }
  std::string Path() const { return folder_.File("victim.db"); }
  std::string InitString() override {
    return throughOdbc_ ? "Provider=ODBC;Driver=SQLite3;Database=\"" + Path() + "\""
                        : "Provider=SQLite;Data Source=" + Path();
  }
  std::string Fingerprint() override {
    return Digest(ReadFile(Path())) + Listing(folder_.File(""));
  }
  bool WriterGetsThrough() override {
    // An exclusive lock, given up at once, is what a writer needs to commit; the wait covers
    // the moment a rowset may keep its read before it rests.
    sqlite3* db = nullptr;
    sqlite3_open(Path().c_str(), &db);
    sqlite3_busy_timeout(db, 2500);
    const bool got =
        sqlite3_exec(db, "BEGIN EXCLUSIVE; ROLLBACK;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return got;
  }

 private:
  TempFolder folder_;
  bool throughOdbc_;
};

class ServerTarget final : public Target {
 public:
  ServerTarget(const char* stateVariable, bool postgres) : postgres_(postgres) {
    env_ = ReadServerEnv(stateVariable);
    const char* state = std::getenv(stateVariable);
    state_ = state != nullptr ? state : "";
  }
  bool Ready() const { return env_.count("ODBC_CONNECT") == 1; }
  std::string InitString() override { return "Provider=ODBC;" + env_["ODBC_CONNECT"]; }
  std::string Fingerprint() override {
    if (postgres_) {
      if (databaseFolder_.empty()) {
        Opened opened;
        EXPECT_EQ(OpenInitString(InitString(), &opened), S_OK) << TakeErrorText();
        const auto oid = Query(*opened.session,
                               "select oid from pg_database where datname = current_database()");
        databaseFolder_ = state_ + "/data/base/" + oid.at(0).at(0).value_or("");
      }
      return Digest(RunShellOutput("PGPASSWORD='" + env_["PG_PASSWORD"] +
                                   "' pg_dump -h 127.0.0.1 -p " + env_["PG_PORT"] +
                                   " -U quillet -d quillet_test 2>&1")) +
             Listing(databaseFolder_);
    }
    return Digest(RunShellOutput("mariadb-dump -h 127.0.0.1 --protocol=tcp -P " + env_["MY_PORT"] +
                                 " -u quillet -p'" + env_["MY_PASSWORD"] +
                                 "' --routines --skip-dump-date quillet_test 2>&1")) +
           Listing(state_ + "/data/quillet_test");
  }

 private:
  std::map<std::string, std::string> env_;
  std::string state_;
  std::string databaseFolder_;
  bool postgres_;
};

class ReadOnly : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const std::string name = GetParam();
    if (name == "BuiltInSqlite" || name == "SqliteOdbc") {
      target_ = std::make_unique<SqliteTarget>(name == "SqliteOdbc");
    } else {
      auto server = std::make_unique<ServerTarget>(name == "PostgreSql" ? kPgState : kMariaDbState,
                                                   name == "PostgreSql");
      if (!server->Ready()) GTEST_FAIL() << "no test server for " << name;
      target_ = std::move(server);
    }
  }

  // Runs a command as the SQL window does, reading every row it gives; the error text when it
  // fails.
  std::optional<std::string> Run(ISession& session, const std::string& sql) {
    std::shared_ptr<IRowset> rowset;
    const HRESULT hr = RunSql(session, sql, &rowset);
    if (Failed(hr)) return TakeErrorText();
    if (rowset) AllRowsAsText(*rowset);
    return std::nullopt;
  }

  std::unique_ptr<Target> target_;
  TempFolder scratch_;
};

TEST_P(ReadOnly, NoAttemptChangesTheDatabaseOrMakesAFile) {
  const std::string before = target_->Fingerprint();
  ASSERT_FALSE(before.empty());
  for (const Attempt& attempt : Attempts()) {
    Opened opened;
    ASSERT_EQ(OpenInitString(target_->InitString(), &opened), S_OK) << TakeErrorText();
    for (const std::string& command : attempt.commands) {
      const auto error = Run(*opened.session, Replace(command, "{dir}", scratch_.File("")));
      if (error) {
        EXPECT_EQ(error->find('\n'), std::string::npos) << attempt.name << ": " << *error;
        EXPECT_FALSE(error->empty()) << attempt.name << ": " << command;
      }
    }
    // A query now, as a user would run next, must not find itself inside a transaction.
    EXPECT_FALSE(Run(*opened.session, "select count(*) from customers")) << attempt.name;
    EXPECT_TRUE(target_->WriterGetsThrough()) << attempt.name;
    opened = {};
    EXPECT_EQ(target_->Fingerprint(), before) << attempt.name;
    EXPECT_EQ(Listing(scratch_.File("")), "") << attempt.name;
  }
}

TEST_P(ReadOnly, ReadingStillWorks) {
  Opened opened;
  ASSERT_EQ(OpenInitString(target_->InitString(), &opened), S_OK) << TakeErrorText();
  // A ';' in a string and a trailing one are no second statement.
  const auto rows =
      Query(*opened.session, "select name, 'a;b' from customers where id = 3 /* Björn */ ;");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "Björn");
  EXPECT_EQ(rows[0][1], "a;b");
  EXPECT_EQ(Query(*opened.session, "select count(*) from customer_names;").at(0).at(0), "3");
}

INSTANTIATE_TEST_SUITE_P(Providers, ReadOnly,
                         ::testing::Values("BuiltInSqlite", "SqliteOdbc", "PostgreSql", "MariaDb"),
                         [](const auto& param) { return std::string(param.param); });

}  // namespace
}  // namespace quillet::db::testing
