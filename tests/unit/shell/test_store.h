#pragma once
// A settings store of the test's own, so that no test reaches the user's settings even when the
// binary is run by hand without the test environment.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "config/registry_store.h"

namespace quillet::shell::testing_support {

class ScratchStore {
 public:
  ScratchStore()
      : path_(::testing::TempDir() + "quillet-shell-" + std::to_string(getpid()) + ".db") {
    std::remove(path_.c_str());
    store_ = std::make_unique<config::RegistryStore>(path_);
  }
  ~ScratchStore() {
    store_.reset();
    std::remove(path_.c_str());
  }
  config::RegistryStore& get() { return *store_; }

 private:
  std::string path_;
  std::unique_ptr<config::RegistryStore> store_;
};

}  // namespace quillet::shell::testing_support
