// The built application's actions as scripts call them, with `gdbus call` on the session bus,
// and its desktop actions as launchers run them.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "app/app_end_to_end_fixture.h"
#include "dbus/dbus_mock.h"
#include "dbus/mock_calls.h"
#include "testing/fake_proc_tree.h"

namespace vigilix::testing {
namespace {

using namespace std::chrono_literals;

using Call = std::vector<std::string>;  // method, then its arguments as gdbus takes them

// The machine each row runs on.
enum class Machine { plain, managed, hot };

constexpr const char* kKeeping = "('Keeping your computer awake until ";
constexpr const char* kAwake = "Keeping awake";
constexpr const char* kAsleep = "Not keeping awake.";

// One action called with gdbus on a fresh application, after the calls `before`.
struct ActionRow {
  const char* name;
  Machine machine;
  std::vector<Call> before;
  Call call;
  bool succeeds;
  std::string answerStart;  // what gdbus printed begins so
  const char* statusStart;  // then `vigilix status` begins so
};

const std::string kDenied = "Error: GDBus.Error:run.tarvo.vigilix.Error.Denied: ";
const std::string kInvalid = "Error: GDBus.Error:org.freedesktop.DBus.Error.InvalidArgs: ";

class ActionsEndToEndTest : public AppEndToEndFixture {
 protected:
  ActionsEndToEndTest() {
    std::filesystem::create_directory_symlink("/proc", tree_.pathFor("proc"));
  }

  // What a program printed and whether it ended with status 0.
  std::pair<bool, std::string> run(const std::vector<std::string>& argv) {
    const std::filesystem::path log = home_ / "run.log";
    std::filesystem::remove(log);
    TestChildProcess child(argv, log);
    const bool ok = child.wait() == 0;
    return {ok, readFile(log)};
  }

  std::pair<bool, std::string> call(const std::string& interface, const std::string& path,
                                    const Call& call) {
    std::vector<std::string> argv{"/usr/bin/gdbus",
                                  "call",
                                  "--session",
                                  "--dest",
                                  "run.tarvo.vigilix",
                                  "--object-path",
                                  path,
                                  "--method",
                                  interface + "." + call.front()};
    argv.insert(argv.end(), call.begin() + 1, call.end());
    return run(argv);
  }
  std::pair<bool, std::string> action(const Call& method) {
    return call("run.tarvo.vigilix.Actions", "/run/tarvo/vigilix/Actions", method);
  }

  std::string status() { return run({VIGILIX_CLI_PROGRAM, "status"}).second; }

  // Each row's answer, and what `vigilix status` shows after it.
  void expectEach(const std::vector<ActionRow>& rows) {
    for (const ActionRow& row : rows) {
      SCOPED_TRACE(row.name);
      startOn(row.machine);
      for (const Call& before : row.before) ASSERT_TRUE(action(before).first);
      if (row.machine == Machine::hot) {
        // The hub learns of the heat at its next look at the sensors.
        ASSERT_TRUE(waitUntil([&] { return status().starts_with(kAsleep); }, 40s))
            << readFile(home_ / "app.log");
      }
      const auto [succeeded, answer] = action(row.call);
      EXPECT_EQ(succeeded, row.succeeds) << answer;
      EXPECT_TRUE(answer.starts_with(row.answerStart)) << answer;
      const std::string shown = status();
      EXPECT_TRUE(shown.starts_with(row.statusStart)) << shown << readFile(home_ / "app.log");
    }
  }

  // A fresh application on `machine`, ready to serve.
  void startOn(Machine machine) {
    app_.reset();
    std::filesystem::remove_all(home_ / ".config");
    std::filesystem::remove_all(home_ / ".local");
    std::filesystem::remove_all(tree_.pathFor("etc"));
    std::filesystem::remove_all(tree_.pathFor("sys"));
    tree_.setHwmon("hwmon0", "coretemp",
                   {{machine == Machine::hot ? 99'000 : 45'000, 84'000, 100'000}});
    if (machine == Machine::managed) {
      const std::filesystem::path managed = tree_.pathFor("etc/vigilix/managed");
      std::filesystem::create_directories(managed);
      std::ofstream(managed / "run.tarvo.vigilix.plist")
          << R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
<key>run.tarvo.vigilix.TimeInterval</key><integer>600</integer>
<key>run.tarvo.vigilix.Triggers</key><string>{"isEnabled":false}</string>
</dict></plist>
)";
    }
    startApplication();
    ASSERT_TRUE(waitUntil([&] { return !status().empty(); }, 30s)) << readFile(home_ / "app.log");
  }

  FakeProcTree tree_;
  ScopedEnvironment root_{"VIGILIX_ROOT", tree_.root().string()};
};

std::string inAnHour() { return std::to_string(std::time(nullptr) + 3600) + ".0"; }

constexpr MockObject kNotices{"org.freedesktop.Notifications", "/org/freedesktop/Notifications"};

TEST_F(ActionsEndToEndTest, EachStartAndStopAnswersAndActsOnTheRunningApplication) {
  expectEach({
      {"keep awake for the default duration",
       Machine::plain,
       {},
       {"KeepAwakeWithoutDuration"},
       true,
       "('Keeping your computer awake until you turn it off.',)\n",
       kAwake},
      {"keep awake for ten minutes",
       Machine::plain,
       {},
       {"KeepAwake", "600.0"},
       true,
       kKeeping,
       kAwake},
      {"keep awake until a past time",
       Machine::plain,
       {},
       {"KeepAwakeUntil", "1.0"},
       false,
       "Error: GDBus.Error:run.tarvo.vigilix.Error.PastTime: That time is in the past.\n",
       kAsleep},
      {"keep awake until an hour ahead",
       Machine::plain,
       {},
       {"KeepAwakeUntil", inAnHour()},
       true,
       kKeeping,
       kAwake},
      {"stop", Machine::plain, {{"KeepAwake", "600.0"}}, {"StopKeepingAwake"}, true, "('", kAsleep},
      {"add time with no timed session",
       Machine::plain,
       {{"KeepAwake", "0.0"}},
       {"AddTimeWithoutDuration"},
       true,
       "('Time can only be added while a timed keep-awake session is running.',)\n",
       kAwake},
      {"add time to a timed session",
       Machine::plain,
       {{"KeepAwake", "600.0"}},
       {"AddTime", "60.0"},
       true,
       kKeeping,
       kAwake},
  });
}

TEST_F(ActionsEndToEndTest, EachQuestionAndSwitchAnswersAndActsOnTheRunningApplication) {
  expectEach({
      {"is it kept awake: yes",
       Machine::plain,
       {{"KeepAwake", "0.0"}},
       {"GetAwakeState"},
       true,
       "(true, ",
       kAwake},
      {"is it kept awake: no", Machine::plain, {}, {"GetAwakeState"}, true, "(false, ", kAsleep},
      {"the control on", Machine::plain, {}, {"SetKeepAwakeControl", "true"}, true, "()\n", kAwake},
      {"the Focus filter keeps awake",
       Machine::plain,
       {},
       {"SetFocusFilter", "'keepAwake'"},
       true,
       "()\n",
       kAwake},
      {"the Focus filter with an unknown mode",
       Machine::plain,
       {},
       {"SetFocusFilter", "'on'"},
       false,
       kInvalid + "Unknown mode \"on\": use off, whileOnPower or keepAwake.\n",
       kAsleep},
      {"a download the hub refuses",
       Machine::plain,
       {},
       {"KeepAwakeUntilDownloadFinishes", "'/nowhere/file.part'"},
       true,
       "('This download couldn’t be watched.',)\n",
       kAsleep},
      {"an application that is not running",
       Machine::plain,
       {},
       {"KeepAwakeWhileAppRuns", "'org.example.Absent'"},
       false,
       kInvalid + "No running application has the identifier org.example.Absent.\n",
       kAsleep},
  });
}

TEST_F(ActionsEndToEndTest, AManagedOrHotMachineRefusesWhatItForbids) {
  expectEach({
      {"the control on, duration forced",
       Machine::managed,
       {},
       {"SetKeepAwakeControl", "true"},
       false,
       kDenied + "Managed by your organization.\n",
       kAsleep},
      {"the control off, duration forced",
       Machine::managed,
       {{"KeepAwake", "0.0"}},
       {"SetKeepAwakeControl", "false"},
       false,
       kDenied + "Managed by your organization.\n",
       kAwake},
      {"automatic keep-awake, forced",
       Machine::managed,
       {},
       {"SetAutomaticKeepAwake", "true"},
       false,
       kDenied + "Managed by your organization.\n",
       kAsleep},
      {"the control on while hot",
       Machine::hot,
       {{"KeepAwake", "0.0"}},
       {"SetKeepAwakeControl", "true"},
       false,
       kDenied + "Paused because your computer is hot\n",
       kAsleep},
  });
}

// The launcher's way: org.freedesktop.Application.ActivateAction with the entry's action name.
TEST_F(ActionsEndToEndTest, DesktopActionsActOnTheRunningApplication) {
  struct Row {
    const char* name;
    std::vector<Call> before;
    std::string action;
    const char* statusStart;
    std::string logged;  // the application's log shows this, and the notice after the prefix
  };
  DbusMock notices(sessionBus_, "notification_daemon", kNotices.service);
  const Row rows[] = {
      {"keep awake",
       {},
       "keep-awake",
       kAwake,
       "The desktop action keep-awake: Keeping your computer awake until you turn it off."},
      {"stop",
       {{"KeepAwake", "0.0"}},
       "stop",
       kAsleep,
       "The desktop action stop: Your computer can sleep"},
      {"awake?",
       {{"KeepAwake", "0.0"}},
       "awake-state",
       kAwake,
       "The desktop action awake-state: Until you turn it off"},
      {"add time",
       {{"KeepAwake", "600.0"}},
       "add-time",
       kAwake,
       "The desktop action add-time: Keeping your computer awake until "},
      {"keep awake on", {}, "keep-awake-on", kAwake, "The desktop action keep-awake-on: "},
      {"keep awake off",
       {{"KeepAwake", "0.0"}},
       "keep-awake-off",
       kAsleep,
       "The desktop action keep-awake-off: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    startOn(Machine::plain);
    for (const Call& before : row.before) ASSERT_TRUE(action(before).first);
    const std::size_t noticesBefore = mockMethodCalls(kNotices, "Notify").size();
    const auto [succeeded, answer] =
        call("org.freedesktop.Application", "/run/tarvo/vigilix",
             {"ActivateAction", "'" + row.action + "'", "@av []", "@a{sv} {}"});
    ASSERT_TRUE(succeeded) << answer;
    EXPECT_TRUE(waitUntil([&] {
      return readFile(home_ / "app.log").find(row.logged) != std::string::npos;
    })) << readFile(home_ / "app.log");
    const std::string shown = status();
    EXPECT_TRUE(shown.starts_with(row.statusStart)) << shown;
    // The launcher shows nothing: an answer comes as a notice.
    const std::string noticed = row.logged.substr(row.logged.find(": ") + 2);
    if (noticed.empty()) continue;
    EXPECT_TRUE(waitUntil([&] {
      const auto calls = mockMethodCalls(kNotices, "Notify");
      return calls.size() > noticesBefore && calls.back().size() > 4 &&
             calls.back()[3] == "Vigilix" && calls.back()[4].starts_with(noticed);
    })) << notices.log();
  }
  for (const auto& notice : mockMethodCalls(kNotices, "Notify")) {
    EXPECT_FALSE(notice.size() > 4 && notice[4].empty()) << "an empty notice";
  }
}

// The running applications are the live ones a desktop entry names, one per program, by name.
TEST_F(ActionsEndToEndTest, RunningAppsListsEachLaunchedApplicationOnceSortedByName) {
  ScopedEnvironment dataHome("XDG_DATA_HOME", "/data");
  const std::filesystem::path entries = tree_.pathFor("data/applications");
  std::filesystem::create_directories(entries);
  std::filesystem::create_directories(home_ / "bin");
  std::vector<std::unique_ptr<TestChildProcess>> running;
  // The later name starts first: the list's order is the names', not the start's.
  for (const auto& [program, name, copies] :
       {std::tuple{"vigilix-zeta", "Sleeper", 2}, std::tuple{"vigilix-alpha", "alpha", 1}}) {
    std::filesystem::copy_file("/bin/sleep", home_ / "bin" / program);
    std::ofstream(entries / (std::string(program) + ".desktop"))
        << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << program << " 600\n";
    for (int copy = 0; copy < copies; ++copy) {
      running.push_back(std::make_unique<TestChildProcess>(
          std::vector<std::string>{(home_ / "bin" / program).string(), "600"},
          home_ / "sleeper.log"));
    }
  }
  // A background process: no desktop entry names it.
  running.push_back(std::make_unique<TestChildProcess>(
      std::vector<std::string>{"/bin/sleep", "600"}, home_ / "sleeper.log"));
  startOn(Machine::plain);

  const auto [listed, apps] = action({"RunningApps"});
  ASSERT_TRUE(listed) << apps;
  const std::regex expected(R"(\(\[\('vigilix-alpha', \d+, 'alpha', 'vigilix-alpha'\), )"
                            R"(\('vigilix-zeta', \d+, 'Sleeper', 'vigilix-zeta'\)\],\)\n)");
  EXPECT_TRUE(std::regex_match(apps, expected)) << apps;

  ASSERT_TRUE(action({"KeepAwakeWhileAppRuns", "'vigilix-zeta'"}).first);
  const std::string shown = status();
  EXPECT_TRUE(shown.starts_with(kAwake)) << shown;
}

// Shells follow the shared control state through ControlsChanged.
TEST_F(ActionsEndToEndTest, AChangedControlStateIsAnnouncedToShells) {
  startOn(Machine::plain);
  TestChildProcess monitor({"/usr/bin/gdbus", "monitor", "--session", "--dest", "run.tarvo.vigilix",
                            "--object-path", "/run/tarvo/vigilix/Actions"},
                           home_ / "monitor.log");
  ASSERT_TRUE(waitUntil([&] {
    return readFile(home_ / "monitor.log").find("Monitoring") != std::string::npos;
  })) << readFile(home_ / "monitor.log");
  ASSERT_TRUE(action({"KeepAwake", "0.0"}).first);
  EXPECT_TRUE(waitUntil([&] {
    return readFile(home_ / "monitor.log")
               .find(
                   "run.tarvo.vigilix.Actions.ControlsChanged ('run.tarvo.vigilix.keep-awake',)") !=
           std::string::npos;
  })) << readFile(home_ / "monitor.log");
}

}  // namespace
}  // namespace vigilix::testing
