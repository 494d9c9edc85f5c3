// The built program's surroundings: a temporary home, a private session bus and a private
// system bus with a mock logind. Programs started here inherit all of it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "dbus/dbus_mock.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {

class AppEndToEndFixture : public ::testing::Test {
 protected:
  AppEndToEndFixture()
      : home_(makeTemporaryFolder("vigilix-e2e-home")),
        homeVariable_("HOME", home_.string()),
        configVariable_("XDG_CONFIG_HOME", (home_ / ".config").string()),
        stateVariable_("XDG_STATE_HOME", (home_ / ".local/state").string()),
        dataVariable_("XDG_DATA_HOME", (home_ / ".local/share").string()),
        logind_(systemBus_, logindInhibitTemplate(), "org.freedesktop.login1") {}

  ~AppEndToEndFixture() override {
    app_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  // Starts the application (the built one unless another is named) and
  // waits until it owns its name on the session bus and has finished launching.
  void startApplication(const std::string& program = VIGILIX_APP_PROGRAM) {
    const std::size_t earlierLog = readFile(home_ / "app.log").size();
    app_.emplace(std::vector<std::string>{program}, home_ / "app.log");
    // Generous: a sanitised build on a busy machine starts slowly.
    ASSERT_TRUE(waitUntil([&] { return sessionBus_.hasOwner("run.tarvo.vigilix"); },
                          std::chrono::seconds(30)))
        << readFile(home_ / "app.log");
    // Requests sent meanwhile wait for the end of launching; tests start from a launched one.
    ASSERT_TRUE(waitUntil(
        [&] {
          return readFile(home_ / "app.log").find("Vigilix is running.", earlierLog) !=
                 std::string::npos;
        },
        std::chrono::seconds(30)))
        << readFile(home_ / "app.log");
  }

  // The mock logind's inhibitors as busctl prints them.
  std::string listedInhibitors() const {
    TestChildProcess list(
        {"/usr/bin/busctl", "--system", "call", "org.freedesktop.login1", "/org/freedesktop/login1",
         "org.freedesktop.login1.Manager", "ListInhibitors"},
        home_ / "busctl.log");
    list.wait();
    std::string listed = readFile(home_ / "busctl.log");
    std::filesystem::remove(home_ / "busctl.log");
    return listed;
  }

  std::filesystem::path home_;
  ScopedEnvironment homeVariable_;
  ScopedEnvironment configVariable_;
  ScopedEnvironment stateVariable_;
  ScopedEnvironment dataVariable_;
  PrivateSystemBus systemBus_;
  // Activation starts the built program when its name is called while it
  // is not running, as the installed service file makes the desktop's bus do.
  PrivateSessionBus sessionBus_{{{"run.tarvo.vigilix", VIGILIX_APP_PROGRAM}}};
  DbusMock logind_;
  std::optional<TestChildProcess> app_;
};

}  // namespace vigilix::testing
