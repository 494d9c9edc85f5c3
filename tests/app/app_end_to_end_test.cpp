// The built program under a private session bus and a private system bus
// with a mock logind, driven from outside as a shell would drive it.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/app_end_to_end_fixture.h"
#include "app/tray_host_client.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/mock_logind_test_fixture.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "dbus/tray_host.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bus_connection.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/dbus_notification_center.h"

namespace vigilix::testing {
namespace {

constexpr bool kDirectBuild = VIGILIX_DIRECT_BUILD;
constexpr const char* kRequestName = "run.tarvo.vigilix.cli.request";
constexpr const char* kReplyName = "run.tarvo.vigilix.cli.reply";

class AppEndToEndTest : public AppEndToEndFixture {
 protected:
  ~AppEndToEndTest() override { app_.reset(); }

  void SetUp() override {
    auto connection = platform::AsyncBusConnection::open(platform::BusKind::Session);
    ASSERT_TRUE(connection) << connection.error().description();
    connection_ = std::move(*connection);
    center_ = std::make_unique<platform::DBusNotificationCenter>(connection_);
    replyObserver_ = center_->addObserver(
        kReplyName, [this](const std::string&, const std::optional<std::string>& object) {
          if (object) replies_.push_back(nlohmann::json::parse(*object, nullptr, false));
        });
    startApplication();
    // The hub observes requests once it has started, just after it owns the name.
    // Until then (and until this test's own match is in place) a request
    // goes unanswered, so the first one is repeated.
    bool answered = false;
    for (int attempt = 0; attempt < 10 && !answered; ++attempt) {
      const std::string nonce = "start-" + std::to_string(attempt);
      answered = ask(R"({"v":2,"nonce":")" + nonce + R"(","verb":"epoch"})").is_object();
    }
    ASSERT_TRUE(answered) << readFile(home_ / "app.log");
  }

  // Posts `request` with dbus-send and answers the reply to its nonce (null
  // when none came in time).
  nlohmann::json ask(const std::string& request) {
    const std::string nonce = nlohmann::json::parse(request)["nonce"];
    TestChildProcess send({"/usr/bin/dbus-send", "--session", "--type=signal",
                           "/run/tarvo/vigilix/DistributedNotificationCenter",
                           "run.tarvo.vigilix.DistributedNotificationCenter.Posted",
                           std::string("string:") + kRequestName, "string:" + request},
                          home_ / "dbus-send.log");
    nlohmann::json found;
    runMainLoopUntil(
        [&] {
          for (const auto& reply : replies_) {
            if (reply.is_object() && reply.value("nonce", "") == nonce) found = reply;
          }
          return !found.is_null();
        },
        std::chrono::seconds(2));
    return found;
  }

  std::optional<std::string> savedState() const {
    platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
    const auto data = defaults.dataValue("run.tarvo.vigilix.AwakeState");
    if (!data) return std::nullopt;
    return std::string(data->begin(), data->end());
  }

  std::shared_ptr<platform::AsyncBusConnection> connection_;
  std::unique_ptr<platform::DBusNotificationCenter> center_;
  platform::ObserverHandle replyObserver_;
  std::vector<nlohmann::json> replies_;
};

TEST_F(AppEndToEndTest, RequestsOnTheSessionBusAreAnswered) {
  const nlohmann::json epoch = ask(R"({"v":2,"nonce":"e1","verb":"epoch"})");
  ASSERT_TRUE(epoch.is_object());
  const nlohmann::json hold = nlohmann::json{
      {"v", 2},     {"nonce", "h1"},    {"verb", "hold"},          {"id", "claude:e2e"},
      {"ttl", 600}, {"tool", "claude"}, {"epoch", epoch["epoch"]}, {"gen", epoch["gen"]}};
  struct Row {
    const char* name;
    std::string request;
    const char* nonce;
  };
  const Row rows[] = {
      {"hold", hold.dump(), "h1"},
      {"release", R"({"v":2,"nonce":"r1","verb":"release","id":"claude:e2e"})", "r1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const nlohmann::json reply = ask(row.request);
    ASSERT_TRUE(reply.is_object()) << readFile(home_ / "app.log");
    EXPECT_EQ(reply["nonce"], row.nonce);
    EXPECT_EQ(reply["status"], "ok") << reply.dump();
  }
}

TEST_F(AppEndToEndTest, AHoldTakesALogindInhibitorAndItsReleaseFreesIt) {
  const nlohmann::json epoch = ask(R"({"v":2,"nonce":"e2","verb":"epoch"})");
  ASSERT_TRUE(epoch.is_object());
  const nlohmann::json hold = {{"v", 2},
                               {"nonce", "h2"},
                               {"verb", "hold"},
                               {"id", "claude:e2e"},
                               {"ttl", 600},
                               {"tool", "claude"},
                               {"corr", "c1"},
                               {"seq", 1},
                               {"epoch", epoch["epoch"]},
                               {"gen", epoch["gen"]}};
  struct Row {
    const char* name;
    std::string request;
    bool listed;
  };
  const Row rows[] = {
      {"the hold takes an inhibitor", hold.dump(), true},
      {"a release of another turn leaves it",
       R"({"v":2,"nonce":"r1","verb":"release","id":"claude:e2e","corr":"c1","seq":2})", true},
      {"the release of the hold's turn frees it",
       R"({"v":2,"nonce":"r2","verb":"release","id":"claude:e2e","corr":"c1","seq":1})", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(ask(row.request)["status"], "ok") << readFile(home_ / "app.log");
    std::string listing;
    EXPECT_TRUE(waitUntil([&] {
      listing = listedInhibitors();
      return (listing.find("\"Vigilix: ") != std::string::npos) == row.listed;
    })) << listing
        << readFile(home_ / "app.log");
  }
}

TEST_F(AppEndToEndTest, SecondLaunchHandsItsAddressToTheRunningInstance) {
  TestChildProcess second({VIGILIX_APP_PROGRAM, "vigilix:///activate?minutes=5"},
                          home_ / "second.log");
  EXPECT_EQ(second.wait(), 0) << readFile(home_ / "second.log");
  std::optional<std::string> state;
  EXPECT_TRUE(waitUntil([&] {
    state = savedState();
    return state && state->find(R"("total":300)") != std::string::npos;
  })) << state.value_or("(no saved state)")
      << "\n"
      << readFile(home_ / "app.log");
  EXPECT_TRUE(app_->running());
}

// `doctor` through the command-line road: every health line after a fresh
// check, and `error` as soon as one line is an error.
TEST_F(AppEndToEndTest, DoctorAnswersEveryHealthLine) {
  const auto hold = [&](const char* nonce) {
    const nlohmann::json epoch =
        ask(R"({"v":2,"nonce":"e-)" + std::string(nonce) + R"(","verb":"epoch"})");
    const nlohmann::json request{
        {"v", 2},     {"nonce", nonce},   {"verb", "hold"},          {"id", "claude:doctor"},
        {"ttl", 600}, {"tool", "claude"}, {"epoch", epoch["epoch"]}, {"gen", epoch["gen"]}};
    ASSERT_EQ(ask(request.dump())["status"], "ok");
  };
  const auto sleepDelayed = [&] {
    return std::ranges::any_of(locksOf(app_->pid()), [](const platform::LogindInhibitor& lock) {
      return lock.mode == "delay";
    });
  };
  struct Row {
    const char* name;
    std::function<void()> arrange;
    const char* status;
    const char* protection;
    const char* incidents;
  };
  const Row rows[] = {
      {"nothing kept awake", [] {}, "ok", "Not expected", "0 recorded"},
      {"a hold logind lists", [&] { hold("h1"); }, "ok", "Verified", "0 recorded"},
      {"slept while kept awake",
       [&] {
         ASSERT_TRUE(waitUntil([&] { return sleepDelayed(); }));
         emitPrepareForSleep(true);
         // The program lets go of its delay once the incident is on record.
         ASSERT_TRUE(waitUntil([&] { return !sleepDelayed(); }));
         emitPrepareForSleep(false);
       },
       "ok", "Verified", "1 recorded, some not yet seen: Check Keep-Awake Health marks them seen"},
      {"a hold whose lock logind refuses",
       [&] {
         // The lock held is kept by a renewed hold: logind must lose it and refuse its repair.
         refuseBlockLocks(true);
         dropBlockLocks();
         hold("h2");
       },
       "error",
       "Vigilix couldn't keep your computer awake: logind refused or dropped its lock; check that "
       "systemd-logind is running, then turn Keep Awake off and on",
       "2 recorded, some not yet seen: Check Keep-Awake Health marks them seen"},
  };
  int asked = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.arrange();
    const std::string nonce = "d" + std::to_string(++asked);
    const nlohmann::json reply = ask(R"({"v":2,"nonce":")" + nonce + R"(","verb":"doctor"})");
    ASSERT_TRUE(reply.is_object()) << readFile(home_ / "app.log");
    EXPECT_EQ(reply["status"], row.status) << reply.dump();
    const auto lines = nlohmann::json::parse(reply.value("doctor", "null"), nullptr, false);
    ASSERT_TRUE(lines.is_array()) << reply.dump();
    std::vector<std::string> titles;
    std::map<std::string, std::string> details;
    for (const auto& line : lines) {
      titles.push_back(line["title"]);
      details[line["title"]] = line["detail"];
    }
    // The direct composition registers closed-lid mode's lines first, then the launch the
    // agent hooks' lines, before the verifier starts.
    std::vector<std::string> expected;
    // Closed-lid mode never turned on: one line, and nothing about a helper.
    if (kDirectBuild) expected = {"Closed-lid mode"};
    expected.insert(expected.end(),
                    {"Claude Code hooks", "Codex hooks", "Grok hooks", "Cursor hooks",
                     "Gemini CLI hooks", "Keep Awake", "Protection", "Keep-Awake Requests",
                     "Incidents", "Migration", "Managed Settings"});
    // Only a build without the direct features says what it lacks.
    if (!kDirectBuild) expected.push_back("Closed-lid helper");
    expected.insert(expected.end(), {"Desktop Inhibitor", "Tray Icon"});
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(details["Protection"], row.protection);
    EXPECT_EQ(details["Incidents"], row.incidents);
    EXPECT_EQ(details["Tray Icon"],
              "No tray host is running, so the menu cannot be opened: add a tray (status "
              "notifier) area to your panel, or use the vigilix command");
  }
}

TEST_F(AppEndToEndTest, TheTraysMenuIsTheStatusMenuAndItsRowsKeepAwake) {
  TrayWatcher watcher;
  ASSERT_TRUE(runMainLoopUntil([&] { return !watcher.registered.empty(); }))
      << readFile(home_ / "app.log");
  TrayHost host(watcher.registered.front());
  // The rows a host shows at the top level; the submenus' rows depend on the
  // machine's running programs.
  const auto topLevel = [&] {
    std::vector<std::string> rows;
    for (const std::string& line : host.menu()) {
      if (line.starts_with("  ") && line[2] != ' ')
        rows.push_back(line.substr(line.find(' ', 2) + 1));
    }
    return rows;
  };
  std::vector<std::string> expected{
      "label=Keep Awake toggle-state=0",
      "enabled=false label=Your computer can sleep",
      "type=separator",
      "label=Keep Awake For",
      "label=Keep Awake Until",
      "label=Allow Display to Sleep toggle-state=1",
  };
  // Closed-lid mode comes with the direct build; a program run from its build folder has not
  // shipped the guard.
  if (kDirectBuild) {
    expected.insert(expected.end(),
                    {"enabled=false label=Keep Awake With Lid Closed toggle-state=0",
                     "enabled=false label=Not available on this computer yet"});
  }
  expected.insert(expected.end(), {
                                      "type=separator",
                                      "enabled=false label=Automatic",
                                      "label=Enable Automatic Keep-Awake toggle-state=0",
                                      "enabled=false label=No triggers match right now",
                                      "enabled=false label=Pause for 1 Hour",
                                      "label=Edit Triggers…",
                                      "type=separator",
                                      "label=Settings…",
                                      "label=About Vigilix",
                                      "label=Quit Vigilix",
                                  });
  EXPECT_EQ(topLevel(), expected);

  struct Row {
    const char* name;
    std::vector<std::string> path;
    const char* header;
    const char* toolTip;  // "*" stands for any text
    bool extendable;
    const char* savedTotal;
  };
  const Row rows[] = {
      {"the header row starts keep-awake",
       {"Keep Awake"},
       "label=Keep Awake toggle-state=1",
       "Vigilix — Until you turn it off / ",
       false,
       nullptr},
      {"the header row stops it",
       {"Keep Awake"},
       "label=Keep Awake toggle-state=0",
       "Vigilix — Your computer can sleep / ",
       false,
       nullptr},
      {"a duration starts a timed session",
       {"Keep Awake For", "5 minutes"},
       "label=Keep Awake toggle-state=1",
       "Vigilix — Until * / 0:05",
       true,
       R"("total":300)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(host.click(row.path), "");
    std::vector<std::string> shown;
    EXPECT_TRUE(runMainLoopUntil([&] {
      shown = topLevel();
      return !shown.empty() && shown.front() == row.header;
    })) << (shown.empty() ? "(no menu)" : shown.front());
    EXPECT_EQ(std::ranges::count(shown, "label=Add 15 Minutes"), row.extendable ? 1 : 0);
    const std::string tip = host.toolTip();
    const std::string_view expected = row.toolTip;
    const std::size_t star = std::min(expected.find('*'), expected.size());
    EXPECT_TRUE(tip.starts_with(expected.substr(0, star)) &&
                tip.ends_with(expected.substr(std::min(star + 1, expected.size()))))
        << tip;
    if (row.savedTotal) {
      EXPECT_NE(savedState().value_or("").find(row.savedTotal), std::string::npos);
    }
  }

  // The program may end before it answers the click.
  host.click({"Quit Vigilix"});
  EXPECT_EQ(app_->wait(), 0) << readFile(home_ / "app.log");
}

// The reasons of the "block" locks the application asked logind for, oldest first.
std::vector<std::string> askedBlockLocks() {
  auto bus = platform::BusConnection::open(platform::BusKind::System);
  if (!bus) return {"(no system bus)"};
  auto reply = bus->call({"org.freedesktop.login1", "/org/freedesktop/login1",
                          "run.tarvo.vigilix.MockLogind", "InhibitCalls"});
  if (!reply) return {reply.error().description()};
  std::vector<std::string> reasons;
  sd_bus_message_enter_container(reply->get(), 'a', "(ssss)");
  const char *what, *who, *why, *mode;
  while (sd_bus_message_read(reply->get(), "(ssss)", &what, &who, &why, &mode) > 0) {
    if (std::string_view(mode) == "block" && std::string_view(who) == "Vigilix") {
      reasons.emplace_back(why);
    }
  }
  return reasons;
}

// A lock cannot be renamed, but a reason that stays the same keeps its lock: synchronisations,
// menu openings and an agent's renewed hold ask logind once for each reason.
TEST_F(AppEndToEndTest, LogindIsAskedOnceForEachKeepAwakeReason) {
  TrayWatcher watcher;
  ASSERT_TRUE(runMainLoopUntil([&] { return !watcher.registered.empty(); }))
      << readFile(home_ / "app.log");
  TrayHost host(watcher.registered.front());
  ASSERT_EQ(host.click({"Keep Awake"}), "");
  ASSERT_TRUE(waitUntil([&] { return askedBlockLocks().size() == 1; }))
      << readFile(home_ / "app.log");
  const nlohmann::json epoch = ask(R"({"v":2,"nonce":"e3","verb":"epoch"})");
  ASSERT_TRUE(epoch.is_object());
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    // Each renewal of the hold and each opening of the menu synchronises the lock.
    const nlohmann::json hold = {{"v", 2},
                                 {"nonce", "h" + std::to_string(round)},
                                 {"verb", "hold"},
                                 {"id", "claude:locks"},
                                 {"ttl", 600},
                                 {"tool", "claude"},
                                 {"epoch", epoch["epoch"]},
                                 {"gen", epoch["gen"]}};
    ASSERT_EQ(ask(hold.dump())["status"], "ok") << readFile(home_ / "app.log");
    EXPECT_FALSE(host.menu().empty());
  }
  // The agent's hold keeps the person's reason: one reason, one lock.
  EXPECT_EQ(askedBlockLocks(), std::vector<std::string>{"Vigilix: Until you turn it off"})
      << readFile(home_ / "app.log");
}

// The doctor's lines by title, after a fresh check.
std::map<std::string, std::string> doctorDetails(const nlohmann::json& reply) {
  std::map<std::string, std::string> details;
  const auto lines = nlohmann::json::parse(reply.value("doctor", "null"), nullptr, false);
  if (!lines.is_array()) return details;
  for (const auto& line : lines) details[line["title"]] = line["detail"];
  return details;
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// A home that the former Flatpak version used.
class AppWithFormerFlatpakTest : public AppEndToEndTest {
 protected:
  void SetUp() override {
    const auto container = home_ / ".var/app/run.tarvo.vigilix";
    std::filesystem::create_directories(container / "config/vigilix");
    std::filesystem::create_directories(container / "data/vigilix/logs");
    writeFile(container / "config/vigilix/run.tarvo.vigilix.plist",
              R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>VGXFormerKey</key><string>kept</string></dict></plist>
)");
    writeFile(container / "data/vigilix/logs/old.log", "old\n");
    AppEndToEndTest::SetUp();
  }
};

TEST_F(AppWithFormerFlatpakTest, TheDirectBuildCarriesTheFormerSettingsOverBeforeItStarts) {
  if (!kDirectBuild) GTEST_SKIP() << "built without the direct features";
  const auto details = doctorDetails(ask(R"({"v":2,"nonce":"d1","verb":"doctor"})"));
  EXPECT_EQ(details.at("Migration"), "Settings moved from the previous version");
  // The composition filled the direct-build flag: no line says the closed-lid helper is missing,
  // and closed-lid mode, never turned on, is only said to be off.
  EXPECT_EQ(details.count("Closed-lid helper"), 0u);
  EXPECT_TRUE(details.at("Closed-lid mode").starts_with("off")) << details.at("Closed-lid mode");
  EXPECT_EQ(readFile(home_ / ".local/share/vigilix/logs/old.log"), "old\n");
  EXPECT_EQ(readFile(home_ / ".local/state/vigilix/migration-state.json"),
            R"({"logs/old.log":"copied"})");
  EXPECT_NE(readFile(home_ / ".local/state/vigilix/migration.log")
                .find("Files verified; preferences and migration marker saved"),
            std::string::npos);
  platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
  EXPECT_EQ(defaults.stringValue("VGXFormerKey"), "kept");
  EXPECT_EQ(defaults.integerValue("VGXContainerMigrationVersion"), 1);
}

// No logind on the system bus: nothing can be held.
class AppWithoutLogindTest : public AppEndToEndTest {
 protected:
  void SetUp() override {
    logind_.kill();
    AppEndToEndTest::SetUp();
  }
};

TEST_F(AppWithoutLogindTest, KeepingAwakeThatHoldsNoLockSaysSo) {
  TrayWatcher watcher;
  ASSERT_TRUE(runMainLoopUntil([&] { return !watcher.registered.empty(); }))
      << readFile(home_ / "app.log");
  TrayHost host(watcher.registered.front());
  const nlohmann::json epoch = ask(R"({"v":2,"nonce":"e1","verb":"epoch"})");
  ASSERT_TRUE(epoch.is_object());
  const nlohmann::json hold = {
      {"v", 2},     {"nonce", "h1"},    {"verb", "hold"},          {"id", "claude:nologind"},
      {"ttl", 600}, {"tool", "claude"}, {"epoch", epoch["epoch"]}, {"gen", epoch["gen"]}};
  ASSERT_EQ(ask(hold.dump())["status"], "ok");
  const nlohmann::json doctor = ask(R"({"v":2,"nonce":"d1","verb":"doctor"})");
  ASSERT_TRUE(doctor.is_object()) << readFile(home_ / "app.log");
  EXPECT_EQ(doctor["status"], "error") << doctor.dump();
  EXPECT_EQ(doctorDetails(doctor)["Protection"],
            "Vigilix couldn't keep your computer awake: logind refused or dropped its lock; check "
            "that systemd-logind is running, then turn Keep Awake off and on")
      << doctor.dump();
  EXPECT_EQ(doctorDetails(doctor)["Tray Icon"], "Shown");
  std::string tip;
  EXPECT_TRUE(runMainLoopUntil([&] {
    tip = host.toolTip();
    return tip.starts_with("Vigilix — Vigilix couldn't keep your computer awake");
  })) << tip;
}

}  // namespace
}  // namespace vigilix::testing
