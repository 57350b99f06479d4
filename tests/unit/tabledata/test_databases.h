#pragma once
// Small SQLite files made for the tests (and the large ones the benchmarks share), written
// once into the build tree and kept. A file is built under a temporary name and renamed, so a
// run that is interrupted never leaves a half-made file behind.

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "datasource/open_ops.h"
#include "datasource/text_convert.h"

namespace quillet::test {

inline std::string TestDataDir() {
  const char* dir = std::getenv("QUILLET_TEST_DATA");
  std::string path = dir && *dir ? dir : std::filesystem::temp_directory_path().string();
  std::filesystem::create_directories(path);
  return path;
}

inline void Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "sqlite error";
    sqlite3_free(message);
    throw std::runtime_error(text + " in: " + sql);
  }
}

// Builds `name` in the test data folder with `script` unless it exists; returns its path.
inline std::string MakeDatabase(const std::string& name, const std::string& script) {
  const std::string path = TestDataDir() + "/" + name;
  if (std::filesystem::exists(path)) return path;
  const std::string temp = path + ".part" + std::to_string(::getpid());
  std::filesystem::remove(temp);
  sqlite3* db = nullptr;
  if (sqlite3_open(temp.c_str(), &db) != SQLITE_OK)
    throw std::runtime_error("cannot create " + temp);
  try {
    Exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;");
    Exec(db, script);
    Exec(db, "COMMIT;");
  } catch (...) {
    sqlite3_close(db);
    std::filesystem::remove(temp);
    throw;
  }
  sqlite3_close(db);
  std::filesystem::rename(temp, path);
  return path;
}

// A table `name` with `rows` rows: id 1..rows and a short text.
inline std::string NumberedTable(const std::string& name, long long rows) {
  return "CREATE TABLE \"" + name + "\"(id INTEGER PRIMARY KEY, label VARCHAR(40));" +
         "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT " +
         std::to_string(rows) + ") INSERT INTO \"" + name +
         "\" SELECT x, 'row ' || x FROM c WHERE " + std::to_string(rows) + " > 0;";
}

// Tables of 250, 100, 60 and 0 rows, one whose name holds a blank, a view and a table of every
// kind of cell.
inline std::string PagingDatabase() {
  return MakeDatabase(
      "elements_paging.db",
      NumberedTable("rows250", 250) + NumberedTable("rows100", 100) + NumberedTable("rows60", 60) +
          NumberedTable("rows0", 0) + NumberedTable("order lines", 3) +
          "CREATE VIEW small_rows AS SELECT * FROM rows60 WHERE id <= 5;"
          "CREATE TABLE kinds(num INTEGER, short_text VARCHAR(300), long_char VARCHAR(1000),"
          " memo TEXT, picture BLOB, small_bin BLOB(100), wide NVARCHAR(200),"
          " wide_long NVARCHAR(300), price REAL);"
          "INSERT INTO kinds VALUES(42, 'hello', 'a long one', 'memo text', x'0102',"
          " x'0A0B', 'wide ü', 'wide long', 2.5);"
          "INSERT INTO kinds VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
          // A value longer than the inline limit in a column declared short.
          "INSERT INTO kinds VALUES(7, printf('%.600c', 'x'), printf('%.2000c', 'y'),"
          " printf('%.900c', 'z'), zeroblob(4000), x'00', 'w', printf('%.400c', 'q'), 0);");
}

// One table "big" of `rows` rows, shared with the benchmarks.
inline std::string BigDatabase(long long rows) {
  return MakeDatabase("rows_" + std::to_string(rows) + ".db", NumberedTable("big", rows));
}

// A read-only session on a SQLite file through the provider operations.
inline std::shared_ptr<db::ISession> OpenSqliteSession(const std::string& path) {
  std::shared_ptr<db::IDBInitialize> source;
  std::u16string init = db::Utf8ToUtf16("Provider=SQLite;Data Source=" + path);
  if (db::Failed(db::OpenFromInitString(init, &source))) throw std::runtime_error("open " + path);
  std::shared_ptr<db::ISession> session;
  if (db::Failed(db::OpenSession(source, &session))) throw std::runtime_error("session " + path);
  return session;
}

}  // namespace quillet::test
