#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/key_path.h"
#include "config/registry_store.h"
#include "config/registry_values.h"
#include "fake_tip_record.h"
#include "resources/string_table.h"
#include "shell/tip_of_the_day.h"

namespace quillet::shell {
namespace {

class TipOfTheDayTest : public ::testing::Test, public TipOfTheDayHost {
 protected:
  // Keeps the stand-in module loaded across the offer so its record of the call can be read.
  void SetUp() override {
    module_ = dlopen((std::string(TIP_FOLDER_WITH_EXPORT) + kTipModuleName).c_str(), RTLD_NOW);
    ASSERT_NE(module_, nullptr) << dlerror();
    auto record = reinterpret_cast<FakeTipRecord* (*)()>(dlsym(module_, "TestRecord"));
    ASSERT_NE(record, nullptr);
    tip_ = record();
    *tip_ = FakeTipRecord();
  }
  void TearDown() override {
    if (module_ != nullptr) dlclose(module_);
  }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    boxes_.push_back(caption + " | " + text);
  }
  void Beep() override { ++beeps_; }

  void Offer(bool force, const char* folder = TIP_FOLDER_WITH_EXPORT) {
    OfferTipOfTheDay(*this, &owner_, force, folder, store_);
  }
  std::optional<std::uint32_t> StoredSetting() {
    config::RegKey key;
    std::uint32_t value = 0;
    if (store_.OpenKey(config::VersionKeyPath(), &key) != config::ERROR_SUCCESS ||
        config::ReadDword(key, "ShowTipOfTheDay", &value) != config::ERROR_SUCCESS)
      return std::nullopt;
    return value;
  }

  config::RegistryStore store_{":memory:"};  // never the user's settings
  std::vector<std::string> boxes_;
  int beeps_ = 0;
  int owner_ = 0;
  void* module_ = nullptr;
  FakeTipRecord* tip_ = nullptr;
};

TEST_F(TipOfTheDayTest, FirstStartShowsTipAndStoresLowByteOfAnswer) {
  tip_->answer = 0x300;  // low byte 0: "don't show at start-up"
  Offer(false);
  EXPECT_EQ(tip_->calls, 1);
  EXPECT_EQ(tip_->lastShow, 1);
  EXPECT_EQ(tip_->lastOwner, &owner_);
  EXPECT_EQ(tip_->lastTipFile, std::string(TIP_FOLDER_WITH_EXPORT) + "quillet.tip");
  EXPECT_EQ(StoredSetting(), 0u);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(TipOfTheDayTest, AnInstalledCopyReadsTheTipFileFromItsDataFolder) {
  OfferTipOfTheDay(*this, &owner_, true, TIP_FOLDER_WITH_EXPORT, "/usr/share/quillet/", store_);
  EXPECT_EQ(tip_->calls, 1);
  EXPECT_EQ(tip_->lastTipFile, "/usr/share/quillet/quillet.tip");
}

TEST_F(TipOfTheDayTest, SwitchedOffOnlyOnRequest) {
  tip_->answer = 0;
  Offer(false);  // switches tips off
  tip_->answer = 1;
  Offer(false);
  EXPECT_EQ(tip_->calls, 1);
  Offer(true);
  EXPECT_EQ(tip_->calls, 2);
  EXPECT_EQ(tip_->lastShow, 0);
  EXPECT_EQ(StoredSetting(), 1u);
}

TEST_F(TipOfTheDayTest, FailingDialogBeepsAndSwitchesTipsOff) {
  tip_->answer = 1;
  tip_->fail = true;
  Offer(false);
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(StoredSetting(), 0u);
}

TEST_F(TipOfTheDayTest, MissingModuleReportsAndKeepsSetting) {
  Offer(false, "/nonexistent/quillet/");
  EXPECT_EQ(boxes_, std::vector<std::string>{LoadResourceString(60000) + " | " +
                                             LoadResourceString(60016)});
  EXPECT_EQ(StoredSetting(), 1u);
  // A module without the export is loaded and left alone.
  Offer(false, TIP_FOLDER_WITHOUT_EXPORT);
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(StoredSetting(), 1u);
}

}  // namespace
}  // namespace quillet::shell
