#pragma once
// What the export tests share: a connection to an SQLite file through the provider, the
// Python read-back of an exported file, and a look at what a folder holds.

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datasource/error_text.h"
#include "datasource/open_ops.h"
#include "datasource/text_convert.h"

namespace quillet::exporting::testing {

struct Connected {
  std::shared_ptr<db::IDBInitialize> source;
  std::shared_ptr<db::ISession> session;
};

// A session on `initString` through the same operations the window uses; fails the test
// otherwise.
inline Connected Connect(const std::string& initString) {
  Connected c;
  db::HRESULT hr = db::OpenFromInitString(db::Utf8ToUtf16(initString), &c.source);
  if (db::Succeeded(hr)) hr = db::OpenSession(c.source, &c.session);
  EXPECT_TRUE(db::Succeeded(hr)) << db::ProviderErrorText(hr);
  return c;
}

inline Connected ConnectSqlite(const std::string& path) {
  return Connect("Provider=SQLite;Data Source=" + path);
}

// The argument in single quotes for the shell.
inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs check_export.py with `arguments` (each one quoted here); the test fails with the
// script's account of what differs.
inline void ExpectReadBack(const std::vector<std::string>& arguments) {
  const char* source = std::getenv("QUILLET_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "QUILLET_SOURCE_DIR is not set";
  std::string command =
      "python3 " + ShellQuoted(std::string(source) + "/tests/unit/export/check_export.py");
  for (const std::string& a : arguments) command += " " + ShellQuoted(a);
  const db::testing::ShellRun run = db::testing::RunShell(command + " 2>&1");
  EXPECT_EQ(run.status, 0) << run.output;
}

// The names in a folder, sorted.
inline std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quillet::exporting::testing
