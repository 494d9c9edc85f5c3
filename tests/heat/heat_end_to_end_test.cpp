// The built program on a machine whose sensors are a folder of the test's
// making (VIGILIX_ROOT): heat stops keep-awake and the cool-down resumes it.
// The cool-down and the program's looks at the sensors are short ones of the
// test's setting; their real lengths are the hub scenarios' to show, in
// virtual time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/app_end_to_end_fixture.h"
#include "testing/fake_proc_tree.h"

namespace vigilix::testing {
namespace {

using namespace std::chrono_literals;

// At most one look every half second: each look starts programs.
std::function<bool()> lookingCalmly(std::function<bool()> condition) {
  return
      [condition = std::move(condition), last = std::chrono::steady_clock::time_point{}]() mutable {
        const auto now = std::chrono::steady_clock::now();
        if (now - last < 500ms) return false;
        last = now;
        return condition();
      };
}

class HeatEndToEndTest : public AppEndToEndFixture {
 protected:
  // Long enough to see the pause outlast the return to nominal on a busy machine.
  static constexpr auto kCoolDown = 5s;
  // How often the program looks at the sensors.
  static constexpr auto kPoll = 1s;

  HeatEndToEndTest() {
    // The machine's own processes, beside sensors of the test's making.
    std::filesystem::create_directory_symlink("/proc", tree_.pathFor("proc"));
    processor(45'000);
  }

  // The processor's temperature, written whole so that no reading sees half a file.
  void processor(std::int64_t temperature) {
    const std::filesystem::path sensor = tree_.pathFor("sys/class/hwmon/hwmon0/temp1_input");
    if (!std::filesystem::exists(sensor)) {
      tree_.setHwmon("hwmon0", "coretemp", {{temperature, 84'000, 100'000}});
      return;
    }
    std::ofstream(home_ / "temp.new") << temperature << "\n";
    std::filesystem::rename(home_ / "temp.new", sensor);
  }

  std::string status() {
    const std::filesystem::path log = home_ / "status.log";
    std::filesystem::remove(log);
    TestChildProcess run({VIGILIX_CLI_PROGRAM, "status"}, log);
    return run.wait() == 0 ? readFile(log) : std::string();
  }

  bool keptAwake() {
    return status().starts_with("Keeping awake") &&
           listedInhibitors().find("\"Vigilix: ") != std::string::npos;
  }
  bool stopped() {
    return status() == "Not keeping awake.\n" &&
           listedInhibitors().find("\"Vigilix: ") == std::string::npos;
  }

  FakeProcTree tree_;
  ScopedEnvironment root_{"VIGILIX_ROOT", tree_.root().string()};
  ScopedEnvironment coolDown_{"VIGILIX_TEST_HEAT_COOL_DOWN", std::to_string(kCoolDown.count())};
  ScopedEnvironment poll_{"VIGILIX_TEST_THERMAL_POLL", std::to_string(kPoll.count())};
};

TEST_F(HeatEndToEndTest, ACriticallyHotProcessorStopsKeepAwakeAndTheCoolDownResumesIt) {
  constexpr auto kMargin = 20s;  // a busy machine, a sanitised build
  startApplication();
  // The hub answers requests once it has started, just after the name is owned.
  ASSERT_TRUE(waitUntil(lookingCalmly([&] { return !status().empty(); }), kMargin))
      << readFile(home_ / "app.log");
  TestChildProcess build({VIGILIX_CLI_PROGRAM, "run", "--", "sleep", "3600"}, home_ / "run.log");
  ASSERT_TRUE(waitUntil(lookingCalmly([&] { return keptAwake(); }), kMargin))
      << readFile(home_ / "run.log") << readFile(home_ / "app.log");

  processor(99'000);
  EXPECT_TRUE(waitUntil(lookingCalmly([&] { return stopped(); }), kPoll + kMargin))
      << readFile(home_ / "app.log");

  processor(45'000);
  EXPECT_TRUE(
      waitUntil([&] { return readFile(home_ / "app.log").find("to nominal") != std::string::npos; },
                kPoll + kMargin))
      << readFile(home_ / "app.log");
  EXPECT_TRUE(stopped()) << "cooling down, still paused";
  EXPECT_TRUE(waitUntil(lookingCalmly([&] { return keptAwake(); }), kCoolDown + kMargin))
      << readFile(home_ / "app.log");
}

}  // namespace
}  // namespace vigilix::testing
