#include <gtest/gtest.h>

#include <sys/un.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shell/single_instance.h"

namespace quillet::shell {
namespace {

using namespace std::chrono_literals;
using Kind = InstanceRequest::Kind;

TEST(SingleInstanceNames, DesktopIsTheDisplayTheWindowsGoTo) {
  struct Case {
    const char* platform;
    const char* x11;
    const char* wayland;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {"", ":0.1", "", ":0"},  // another screen of the same display
           {"", "host:10.0", "", "host:10"},
           {"", ":0", "wayland-0", "wayland-0"},
           {"xcb", ":0", "wayland-0", ":0"},
           {"offscreen", "", "/run/user/7/wl 0", "%2Frun%2Fuser%2F7%2Fwl%200"},
           {"offscreen", "", "", "nodisplay"},
       }) {
    EXPECT_EQ(DesktopName(c.platform, c.x11, c.wayland), c.expected) << c.x11 << c.wayland;
  }
  EXPECT_EQ(BuildInstanceName(kInstanceBase, ":0"), std::string(kInstanceBase) + "-:0");
  EXPECT_EQ(BuildInstanceName(kInstanceBase, std::string(400, 'd')).size(), kMaxInstanceName);
}

TEST(SingleInstanceRequests, CarryWhatTheStartNamedWithAbsolutePaths) {
  auto request = [](std::vector<std::string> arguments, const std::string& folder) {
    arguments.insert(arguments.begin(), "quillet");
    return RequestFromArguments(arguments, folder);
  };
  EXPECT_EQ(request({}, "/w").kind, Kind::kRaise);
  EXPECT_EQ(request({"-dontsavelayout", "-hide_report"}, "/w").kind, Kind::kRaise);
  EXPECT_EQ(request({"-udl", "a.udl"}, "/w").text, "/w/a.udl");
  EXPECT_EQ(request({"-udl", "../x/./a.udl"}, "/w/s").text, "/w/x/a.udl");
  const InstanceRequest both = request({"-udl", "/d/a.udl", "-constr", "Provider=SQLite"}, "/w");
  EXPECT_EQ(both.kind, Kind::kOpenDataLink);
  EXPECT_EQ(both.text, "/d/a.udl");
  const InstanceRequest text = request({"-udl", "-constr", "Data Source=rel.db"}, "/w");
  EXPECT_EQ(text.kind, Kind::kOpenConnectionString);
  EXPECT_EQ(text.text, "Data Source=rel.db");  // not a path: handed over as written
}

TEST(SingleInstanceRequests, WireFormIsWholeOrNothing) {
  const InstanceRequest sent{Kind::kOpenDataLink, "/d/a b\nc.udl", "token-1"};
  const std::string bytes = EncodeInstanceRequest(sent);
  EXPECT_EQ(DecodeInstanceRequest(bytes), sent);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    EXPECT_FALSE(DecodeInstanceRequest(bytes.substr(0, cut))) << cut;
  EXPECT_FALSE(DecodeInstanceRequest(bytes + "x"));
  EXPECT_FALSE(DecodeInstanceRequest(std::string("other\0udl\0/a\0\0", 15)));
  EXPECT_FALSE(DecodeInstanceRequest(EncodeInstanceRequest({Kind::kOpenDataLink, "", ""})));
  EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest({})), InstanceRequest{});
}

class SingleInstanceLock : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillet-lock-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::unique_ptr<SingleInstance> Start(const std::string& name = "base-:0-:0") {
    return std::make_unique<SingleInstance>(folder_, name);
  }
  std::string folder_;
};

TEST_F(SingleInstanceLock, FirstHoldsItUntilItGoesAndAWaitingStartTakesOver) {
  auto first = Start();
  EXPECT_TRUE(first->HoldsLock());
  auto second = Start();
  EXPECT_TRUE(second->IsAnotherInstanceRunning());
  EXPECT_FALSE(Start("base-:1-:1")->IsAnotherInstanceRunning());
  EXPECT_FALSE(SingleInstance("", "base").IsAnotherInstanceRunning());
  // Nobody serves the socket yet: the start waits, and takes over once the holder has gone.
  EXPECT_EQ(second->Defer({}, 200ms), SingleInstance::DeferResult::kUnanswered);
  auto deferred = std::async(std::launch::async, [&] { return second->Defer({}, 5s); });
  std::this_thread::sleep_for(200ms);
  first.reset();
  EXPECT_EQ(deferred.get(), SingleInstance::DeferResult::kBecameFirst);
  EXPECT_TRUE(second->HoldsLock());
}

TEST_F(SingleInstanceLock, SocketPathFitsHoweverLongTheName) {
  const std::string deep = folder_ + "/" + std::string(45, 'f');
  const std::string name = BuildInstanceName(BuildInstanceName(kInstanceBase, ":0"), ":0");
  std::filesystem::create_directory(deep);
  ASSERT_GT(deep.size() + name.size(), sizeof(sockaddr_un::sun_path));
  const SingleInstance a(deep, name), b(deep, name);
  EXPECT_LT(a.SocketPath().size(), sizeof(sockaddr_un::sun_path));
  EXPECT_EQ(a.SocketPath(), b.SocketPath());
}

}  // namespace
}  // namespace quillet::shell
