// The built `vigilix-control` against the built application: it never calls the application,
// only the shared state and the system-wide request.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_end_to_end_fixture.h"
#include "controls/control_state.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix::testing {
namespace {

class ControlEndToEndTest : public AppEndToEndFixture {
 protected:
  // What `vigilix-control` printed, after it ended with status 0.
  std::string control(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{VIGILIX_CONTROL_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::filesystem::remove(home_ / "control.log");
    TestChildProcess run(argv, home_ / "control.log");
    EXPECT_EQ(run.wait(), 0);
    return readFile(home_ / "control.log");
  }

  bool keptAwake() const { return listedInhibitors().find("\"Vigilix: ") != std::string::npos; }
};

TEST_F(ControlEndToEndTest, WithoutTheApplicationTheOptimisticStateShows) {
  EXPECT_EQ(control({}), "Off\n");
  EXPECT_EQ(control({"on"}), "On\n");
  EXPECT_EQ(control({}), "On\n");
  EXPECT_EQ(control({"--json"}), R"({"isAwake":true,"label":"On"})"
                                 "\n");
}

TEST_F(ControlEndToEndTest, TheApplicationTakesTheRequestAndWritesTheTrueState) {
  startApplication();
  ASSERT_EQ(control({}), "Off\n");

  control({"on"});
  EXPECT_TRUE(waitUntil([&] { return keptAwake(); })) << readFile(home_ / "app.log");
  // The application's answer replaces the optimistic "On" with its own state.
  std::string shown;
  EXPECT_TRUE(waitUntil([&] {
    shown = control({"--json"});
    return shown.find(R"("isAwake":true)") != std::string::npos;
  })) << shown;

  EXPECT_EQ(control({"off"}), "Off\n");
  EXPECT_TRUE(waitUntil([&] { return !keptAwake(); })) << readFile(home_ / "app.log");
  EXPECT_EQ(control({}), "Off\n");
}

TEST_F(ControlEndToEndTest, ARequestOlderThanItsLifetimeIsTakenButNotFollowed) {
  startApplication();
  auto suite = platform::UserDefaults::suite(VGXControlState::appGroup);
  ASSERT_TRUE(suite);
  const double stale =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() -
      (VGXControlState::requestLifetime + 5);
  suite->set(VGXControlState::requestKey,
             platform::PropertyDictionary{{"value", true}, {"at", stale}});
  suite->synchronize();
  TestChildProcess announce(
      {"/usr/bin/busctl", "--user", "emit", "/run/tarvo/vigilix/DistributedNotificationCenter",
       "run.tarvo.vigilix.DistributedNotificationCenter", "Posted", "ss",
       VGXControlState::requestNotification, "1"},
      home_ / "busctl.log");
  ASSERT_EQ(announce.wait(), 0) << readFile(home_ / "busctl.log");

  EXPECT_TRUE(waitUntil([&] {
    suite->synchronize();
    return !suite->object(VGXControlState::requestKey).has_value();
  })) << readFile(home_ / "app.log");
  EXPECT_FALSE(keptAwake());
  EXPECT_EQ(control({}), "Off\n");
}

}  // namespace
}  // namespace vigilix::testing
