#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/registry_store.h"
#include "config/registry_values.h"
#include "resources/string_table.h"
#include "shell/tip_of_the_day.h"
#include "test_store.h"

namespace quillet::shell {
namespace {

class RecordingHost : public TipOfTheDayHost {
 public:
  std::vector<std::string> boxes;
  int beeps = 0;
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    boxes.push_back(caption + " | " + text);
  }
  void Beep() override { ++beeps; }
};

// Keeps the stand-in module loaded across the offer so its record of the call can be read.
class TipOfTheDayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = dlopen((std::string(TIP_FOLDER_WITH_EXPORT) + kTipModuleName).c_str(), RTLD_NOW);
    ASSERT_NE(module_, nullptr) << dlerror();
    configure_ = reinterpret_cast<void (*)(int, bool)>(dlsym(module_, "TestConfigure"));
    calls_ = reinterpret_cast<int (*)()>(dlsym(module_, "TestCalls"));
    lastShow_ = reinterpret_cast<int (*)()>(dlsym(module_, "TestLastShow"));
    lastOwner_ = reinterpret_cast<void* (*)()>(dlsym(module_, "TestLastOwner"));
    lastTipFile_ = reinterpret_cast<const char* (*)()>(dlsym(module_, "TestLastTipFile"));
    ASSERT_TRUE(configure_ && calls_ && lastShow_ && lastOwner_ && lastTipFile_);
  }
  void TearDown() override {
    if (module_ != nullptr) dlclose(module_);
  }

  config::RegistryStore& store() { return scratch_.get(); }

  void StoreSetting(std::uint32_t value) {
    config::RegKey key;
    ASSERT_EQ(store().CreateKey(config::VersionKeyPath(), &key), config::ERROR_SUCCESS);
    config::WriteDword(key, "ShowTipOfTheDay", value);
  }
  std::optional<std::uint32_t> StoredSetting() {
    config::RegKey key;
    if (store().OpenKey(config::VersionKeyPath(), &key) != config::ERROR_SUCCESS)
      return std::nullopt;
    std::uint32_t value = 0;
    if (config::ReadDword(key, "ShowTipOfTheDay", &value) != config::ERROR_SUCCESS) {
      return std::nullopt;
    }
    return value;
  }

  void Offer(bool force, const char* folder = TIP_FOLDER_WITH_EXPORT) {
    OfferTipOfTheDay(host_, &owner_, force, folder, store());
  }

  testing_support::ScratchStore scratch_;
  RecordingHost host_;
  int owner_ = 0;
  void* module_ = nullptr;
  void (*configure_)(int, bool) = nullptr;
  int (*calls_)() = nullptr;
  int (*lastShow_)() = nullptr;
  void* (*lastOwner_)() = nullptr;
  const char* (*lastTipFile_)() = nullptr;
};

TEST_F(TipOfTheDayTest, FirstStartShowsTipAndStoresLowByteOfAnswer) {
  configure_(0x300, false);  // low byte 0: "don't show at start-up"
  Offer(false);
  EXPECT_EQ(calls_(), 1);
  EXPECT_EQ(lastShow_(), 1);
  EXPECT_EQ(lastOwner_(), &owner_);
  EXPECT_EQ(std::string(lastTipFile_()), std::string(TIP_FOLDER_WITH_EXPORT) + "quillet.tip");
  EXPECT_EQ(StoredSetting(), 0u);
  EXPECT_TRUE(host_.boxes.empty());
}

TEST_F(TipOfTheDayTest, SwitchedOffOnlyOnRequest) {
  StoreSetting(0);
  configure_(1, false);
  Offer(false);
  EXPECT_EQ(calls_(), 0);
  EXPECT_EQ(StoredSetting(), 0u);

  Offer(true);
  EXPECT_EQ(calls_(), 1);
  EXPECT_EQ(lastShow_(), 0);
  EXPECT_EQ(StoredSetting(), 1u);
}

TEST_F(TipOfTheDayTest, FailingDialogBeepsAndSwitchesTipsOff) {
  configure_(1, true);
  Offer(false);
  EXPECT_EQ(host_.beeps, 1);
  EXPECT_EQ(StoredSetting(), 0u);
}

TEST_F(TipOfTheDayTest, MissingModuleReportsAndKeepsSetting) {
  Offer(false, "/nonexistent/quillet/");
  ASSERT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(host_.boxes[0], LoadResourceString(60000) + " | " + LoadResourceString(60016));
  EXPECT_EQ(StoredSetting(), 1u);

  // A module without the export is loaded and left alone.
  Offer(false, TIP_FOLDER_WITHOUT_EXPORT);
  EXPECT_EQ(host_.boxes.size(), 1u);
  EXPECT_EQ(StoredSetting(), 1u);
}

}  // namespace
}  // namespace quillet::shell
