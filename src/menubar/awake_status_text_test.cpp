#include "menubar/awake_status_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "menubar/menu_bar_countdown_text.h"
#include "menubar/menu_header_model.h"
#include "platform/base/localized.h"
#include "testing/fake_system.h"
#include "testing/map_string_table.h"
#include "testing/menubar/pinned_text_test_fixture.h"

namespace vigilix {
namespace {

using platform::Date;

// The keep-awake state at a given now; dates are offsets from it in seconds.
using State = std::function<AwakeSnapshot(Date now)>;

AwakeSnapshot snapshotOf(AwakeStatus primary, TriggerPause pause = TriggerPause::none()) {
  AwakeSnapshot snapshot;
  snapshot.primary = std::move(primary);
  snapshot.pause = pause;
  return snapshot;
}
State status(AwakeStatus primary) {
  return [=](Date) { return snapshotOf(primary); };
}
State timed(double secondsLeft) {
  return [=](Date now) { return snapshotOf(AwakeStatus::manualUntil(now + secondsLeft)); };
}
State automatic(TriggerReason reason, int agents = 0,
                std::optional<TriggerReason> also = std::nullopt,
                TriggerPause pause = TriggerPause::none()) {
  return [=](Date) {
    AwakeSnapshot snapshot = snapshotOf(AwakeStatus::automatic(reason), pause);
    snapshot.agentCount = agents;
    snapshot.alsoActive = also;
    return snapshot;
  };
}
State paused(std::optional<double> secondsLeft) {
  return [=](Date now) {
    return snapshotOf(AwakeStatus::idle(), secondsLeft ? TriggerPause::until(now + *secondsLeft)
                                                       : TriggerPause::untilResumed());
  };
}

// What the context holds besides now (15:25), the calendar, the locale and a
// recording resolver.
struct Setting {
  bool british = false;
  bool lowPowerModeBlocks = false;
  double batteryThreshold = 20;
  std::optional<double> scheduleEndIn = std::nullopt;
  bool noResolver = false;
};

struct SurfaceRow {
  const char* name;
  Setting setting;
  State state;
  std::string statusLine;
  std::string headerReason;
  std::string assertionReason;
  std::optional<std::string> countdown = std::nullopt;
  std::optional<std::string> secondaryLine = std::nullopt;
  std::optional<std::string> pauseRow = std::nullopt;
  // What the resolver was asked, over the surfaces in the order above.
  std::vector<std::string> asked = {};
};

// A reason whose clause stands unchanged on every surface.
SurfaceRow clause(const char* name, TriggerReason reason, const std::string& text,
                  Setting setting = {}) {
  return {name, setting, automatic(reason), "Keeping awake: " + text, text, text};
}

class StatusTextTest : public testing::PinnedTextTest {};

TEST_F(StatusTextTest, EverySurfaceOfEveryStatus) {
  const std::string app = "com.example.Keynote", music = "com.example.Music";
  const std::vector<std::string> askedThrice{app, app, app};
  const Setting gb{.british = true};
  const char* idle = "Vigilix is not keeping your computer awake";
  const char* battery = "Battery protection: Vigilix is not keeping your computer awake";
  // clang-format off
  const SurfaceRow rows[] = {
      // name, setting, state: status line, header reason, assertion reason, countdown,
      // secondary line, pause row, resolver asked
      {"idle", {}, status(AwakeStatus::idle()),
       idle, "Your computer can sleep", "Keeping your computer awake"},
      {"indefinite", {}, status(AwakeStatus::manualIndefinite()),
       "Keeping awake until you stop it", "Until you turn it off", "Until you turn it off"},
      {"timed, ends today", {}, timed(7500),
       "Keeping awake until 5:30 PM (2 hours, 5 minutes remaining)",
       "Until 5:30 PM \u00B7 2 hr, 5 min left", "Until 5:30 PM", "2:05"},
      {"timed, ends tomorrow", {}, timed(63300),
       "Keeping awake until 12/11/26, 9:00 AM (17 hours, 35 minutes remaining)",
       "Until 12/11/26, 9:00 AM \u00B7 17 hr, 35 min left", "Until 12/11/26, 9:00 AM", "17:35"},
      {"timed, ends today, 24-hour English", gb, timed(7500),
       "Keeping awake until 17:30 (2 hours, 5 minutes remaining)",
       "Until 17:30 \u00B7 2 hrs, 5 mins left", "Until 17:30", "2:05"},
      {"timed, ends at midnight, 24-hour English", gb, timed(30900),
       "Keeping awake until 11/12/2026, 00:00 (8 hours, 35 minutes remaining)",
       "Until 11/12/2026, 00:00 \u00B7 8 hrs, 35 mins left", "Until 11/12/2026, 00:00", "8:35"},
      {"timed, seconds left", gb, timed(45),
       "Keeping awake until 15:25 (45 seconds remaining)",
       "Until 15:25 \u00B7 45 secs left", "Until 15:25", "0:01"},
      // An end already passed shows zero, never a negative span, and no countdown.
      {"timed, end passed", gb, timed(-300),
       "Keeping awake until 15:20 (0 seconds remaining)",
       "Until 15:20 \u00B7 0 secs left", "Until 15:20"},
      // The threshold is rounded half away from zero; one that is no number
      // never reaches an undefined conversion.
      {"battery", {}, status(AwakeStatus::blockedByBattery()),
       battery, "Paused: battery below 20 %", "Battery protection"},
      {"battery 19.5", {.batteryThreshold = 19.5}, status(AwakeStatus::blockedByBattery()),
       battery, "Paused: battery below 20 %", "Battery protection"},
      {"battery 19.49", {.batteryThreshold = 19.49}, status(AwakeStatus::blockedByBattery()),
       battery, "Paused: battery below 19 %", "Battery protection"},
      {"battery NaN", {.batteryThreshold = NAN}, status(AwakeStatus::blockedByBattery()),
       battery, "Paused: battery below 0 %", "Battery protection"},
      {"battery infinite", {.batteryThreshold = INFINITY}, status(AwakeStatus::blockedByBattery()),
       battery, "Paused: battery below 0 %", "Battery protection"},
      {"Low Power Mode", {.lowPowerModeBlocks = true}, status(AwakeStatus::blockedByBattery()),
       "Low Power Mode: Vigilix is not keeping your computer awake", "Paused: Low Power Mode",
       "Battery protection"},
      {"heat", {.lowPowerModeBlocks = true}, status(AwakeStatus::blockedByHeat()),
       "Paused because your computer is hot", "Paused because your computer is hot", "Heat protection"},
      // Automatic: the reason's clause everywhere but in the watches' assertion names.
      {"app running", {}, automatic(TriggerReason::appRunning(app)),
       "Keeping awake: Name of com.example.Keynote is running",
       "Name of com.example.Keynote is running", "Name of com.example.Keynote is running",
       {}, {}, {}, askedThrice},
      {"watched app", {}, automatic(TriggerReason::watchedApp(app)),
       "Keeping awake: Until Name of com.example.Keynote quits",
       "Until Name of com.example.Keynote quits", "Name of com.example.Keynote is running",
       {}, {}, {}, askedThrice},
      {"watched app, no resolver", {.noResolver = true}, automatic(TriggerReason::watchedApp(app)),
       "Keeping awake: Until com.example.Keynote quits", "Until com.example.Keynote quits",
       "com.example.Keynote is running"},
      {"watched file", {}, automatic(TriggerReason::watchedFile("big.iso")),
       "Keeping awake: Until \u201Cbig.iso\u201D finishes downloading",
       "Until \u201Cbig.iso\u201D finishes downloading", "\u201Cbig.iso\u201D is downloading"},
      clause("Wi-Fi", TriggerReason::wifiNetwork("Office 5G"), "connected to Office 5G"),
      // A payload is inserted as it is, placeholders included.
      clause("Wi-Fi named like a placeholder", TriggerReason::wifiNetwork("100%@ net"),
             "connected to 100%@ net"),
      clause("power adapter", TriggerReason::powerAdapter(), "power adapter connected"),
      clause("external display", TriggerReason::externalDisplay(), "external display connected"),
      clause("call", TriggerReason::inCall(), "During a call"),
      clause("audio", TriggerReason::audioPlaying(), "While audio is playing"),
      clause("disk", TriggerReason::diskActivity(), "While files are copying"),
      clause("network", TriggerReason::networkActivity(), "network is busy"),
      clause("CPU", TriggerReason::cpuUsage(), "CPU is busy"),
      clause("Focus", TriggerReason::focus(), "While your Focus is on"),
      clause("backup", TriggerReason::timeMachine(), "A backup is running"),
      clause("schedule, end unknown", TriggerReason::schedule(), "scheduled"),
      clause("schedule, ends today", TriggerReason::schedule(), "scheduled until 5:00 PM",
             {.scheduleEndIn = 5700}),
      clause("schedule, ends tomorrow", TriggerReason::schedule(),
             "scheduled until 12/11/26, 6:00 AM", {.scheduleEndIn = 52500}),
      // Agents: display names by exact identifier; the count only on the
      // status line, and only for two or more.
      clause("Claude Code", TriggerReason::agent("claude"), "Claude Code is working"),
      {"Codex, count 1", {}, automatic(TriggerReason::agent("codex"), 1),
       "Keeping awake: Codex is working", "Codex is working", "Codex is working"},
      clause("Grok", TriggerReason::agent("grok"), "Grok is working"),
      clause("Cursor", TriggerReason::agent("cursor"), "Cursor is working"),
      clause("Gemini", TriggerReason::agent("gemini"), "Gemini CLI is working"),
      clause("agent names are case-sensitive", TriggerReason::agent("Claude"), "Claude is working"),
      clause("unknown agent", TriggerReason::agent("aider"), "aider is working"),
      {"two agents", {}, automatic(TriggerReason::agent("codex"), 2),
       "Keeping awake: 2 AI agents are working", "Codex is working", "Codex is working"},
      {"three agents", {}, automatic(TriggerReason::agent("codex"), 3),
       "Keeping awake: 3 AI agents are working", "Codex is working", "Codex is working"},
      {"another agent means at least two", {},
       automatic(TriggerReason::agent("codex"), 0, TriggerReason::agent("claude")),
       "Keeping awake: 2 AI agents are working", "Codex is working", "Codex is working",
       {}, "Also active: Claude Code is working"},
      {"another agent beside four", {},
       automatic(TriggerReason::agent("codex"), 4, TriggerReason::agent("claude")),
       "Keeping awake: 4 AI agents are working", "Codex is working", "Codex is working",
       {}, "Also active: Claude Code is working"},
      {"a companion that is no agent", {},
       automatic(TriggerReason::agent("codex"), 1, TriggerReason::inCall()),
       "Keeping awake: Codex is working", "Codex is working", "Codex is working",
       {}, "Also active: During a call"},
      {"the count only counts after an agent", {},
       automatic(TriggerReason::inCall(), 3, TriggerReason::agent("claude")),
       "Keeping awake: During a call", "During a call", "During a call",
       {}, "Also active: Claude Code is working"},
      // Pauses show on the secondary line and in the automatic section's row;
      // another matching reason wins the secondary line.
      {"paused until resumed", {}, paused(std::nullopt),
       idle, "Your computer can sleep", "Keeping your computer awake",
       {}, "Triggers paused until you resume them", "Paused until you resume them"},
      {"paused until this evening", {}, paused(12000),
       idle, "Your computer can sleep", "Keeping your computer awake",
       {}, "Triggers paused until 6:45 PM", "Paused until 6:45 PM"},
      {"paused within the hour", {}, paused(2100),
       idle, "Your computer can sleep", "Keeping your computer awake",
       {}, "Triggers paused until 4:00 PM", "Paused until 4:00 PM"},
      {"paused until the day after tomorrow", {}, paused(143400),
       idle, "Your computer can sleep", "Keeping your computer awake",
       {}, "Triggers paused until 12/12/26, 7:15 AM", "Paused until 12/12/26, 7:15 AM"},
      {"paused until 8 the day after tomorrow", {}, paused(146100),
       idle, "Your computer can sleep", "Keeping your computer awake",
       {}, "Triggers paused until 12/12/26, 8:00 AM", "Paused until 12/12/26, 8:00 AM"},
      {"another reason and a pause", {},
       automatic(TriggerReason::powerAdapter(), 0, TriggerReason::appRunning(music),
                 TriggerPause::untilResumed()),
       "Keeping awake: power adapter connected", "power adapter connected",
       "power adapter connected", {}, "Also active: Name of com.example.Music is running",
       "Paused until you resume them", {music}},
  };
  // clang-format on
  for (const SurfaceRow& row : rows) {
    SCOPED_TRACE(row.name);
    resolved_.clear();
    StatusTextContext context = this->context(row.setting.british);
    context.lowPowerModeBlocks = row.setting.lowPowerModeBlocks;
    context.batteryThreshold = row.setting.batteryThreshold;
    if (row.setting.scheduleEndIn) context.scheduleEnd = context.now + *row.setting.scheduleEndIn;
    if (row.setting.noResolver) context.appName = AppNameResolver{};
    const AwakeSnapshot snapshot = row.state(context.now);

    EXPECT_EQ(AwakeStatusText::statusLine(snapshot, context), row.statusLine);
    EXPECT_EQ(VGXMenuHeaderModel::reasonLine(snapshot, context), row.headerReason);
    EXPECT_EQ(VGXMenuHeaderModel::assertionReason(snapshot, context), row.assertionReason);
    EXPECT_EQ(VGXMenuBarCountdown::text(snapshot.primary, context.now), row.countdown);
    EXPECT_EQ(AwakeStatusText::secondaryLine(snapshot, context), row.secondaryLine);
    EXPECT_EQ(VGXMenuHeaderModel::automaticPauseText(snapshot.pause, context), row.pauseRow);
    EXPECT_EQ(resolved_, row.asked);
  }
}

TEST_F(StatusTextTest, RemainingTimeInBothStyles) {
  struct Row {
    const char* name;
    double seconds;
    std::string full;
    std::string shortened;
  };
  const Row rows[] = {
      // At most two units; the full style truncates, the short one rounds up
      // to whole minutes from one minute on and shows seconds alone below.
      {"two hours", 7559.9, "2 hours, 5 minutes", "2 hr, 6 min"},
      {"an hour and a second", 3601, "1 hour", "1 hr, 1 min"},
      {"an hour", 3600, "1 hour", "1 hr"},
      {"a day", 90061, "1 day, 1 hour", "1 day, 1 hr"},
      {"a day, short rounding", 90059, "1 day, 1 hour", "1 day, 1 hr"},
      {"61 seconds", 61, "1 minute, 1 second", "2 min"},
      {"a minute", 60, "1 minute", "1 min"},
      {"below a minute, unrounded", 59.9, "59 seconds", "59 sec"},
      {"45 seconds", 45, "45 seconds", "45 sec"},
      {"half a second", 0.5, "0 seconds", "0 sec"},
      {"now", 0, "0 seconds", "0 sec"},
      // An end already passed counts as no time left, never a negative span.
      {"passed", -600, "0 seconds", "0 sec"},
      // Only a span the formatter cannot write gives the bare "0".
      {"no number", NAN, "0", "0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StatusTextContext context = this->context();
    Date until = std::isnan(row.seconds) ? Date(NAN) : context.now + row.seconds;
    EXPECT_EQ(AwakeStatusText::remaining(until, context), row.full);
    EXPECT_EQ(VGXMenuHeaderModel::remainingText(until, context), row.shortened);
  }
}

TEST_F(StatusTextTest, EndTimeShowsTheDateOnlyOnOtherDaysOfTheCalendarsZone) {
  struct Row {
    const char* name;
    const char* zone;
    double in;        // seconds after 15:25 in London
    double nowShift;  // seconds added to that now
    std::string text;
  };
  const Row rows[] = {
      {"later today", "Europe/London", 30840, 0, "23:59"},
      {"tomorrow", "Europe/London", 30900, 0, "11/12/2026, 00:00"},
      {"yesterday", "Europe/London", -113100, 0, "09/12/2026, 08:00"},
      // 14:25 in London is 23:25 in Tokyo, where 16:00 is already the next day.
      {"the next day in Tokyo", "Asia/Tokyo", 2100, -3600, "11/12/2026, 01:00"},
      {"the same day in Tokyo", "Asia/Tokyo", 2100, 0, "01:00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StatusTextContext context = this->context(/*british=*/true);
    const Date date = context.now + row.in;
    context.calendar.setTimeZone(*platform::TimeZone::named(row.zone));
    context.now = context.now + row.nowShift;
    EXPECT_EQ(AwakeStatusText::endTime(date, context), row.text);
  }
}

std::shared_ptr<testing::MapStringTable> translatingTable() {
  return std::make_shared<testing::MapStringTable>(testing::MapStringTable::Entries{
      {"Keeping awake: %@", "Wach: %@"},
      {"power adapter connected", "am Netzteil"},
      {"Keeping awake until %@ (%@ remaining)", "Wach bis %@ (noch %@)"},
  });
}

TEST_F(StatusTextTest, TextsComeFromTheStringTableExceptTheAgentWords) {
  platform::setStringTable(translatingTable());
  StatusTextContext context = this->context(/*british=*/true);
  auto line = [&](const State& state) {
    return AwakeStatusText::statusLine(state(context.now), context);
  };
  EXPECT_EQ(line(automatic(TriggerReason::powerAdapter())), "Wach: am Netzteil");
  EXPECT_EQ(line(timed(7500)), "Wach bis 17:30 (noch 2 hours, 5 minutes)");
  EXPECT_EQ(line(automatic(TriggerReason::agent("claude"), 1)), "Wach: Claude Code is working");
  EXPECT_EQ(line(automatic(TriggerReason::agent("claude"), 2)),
            "Keeping awake: 2 AI agents are working");
  platform::setStringTable(nullptr);
}

TEST(AppNameRuleTest, ExactMatchFirstThenCaseInsensitiveThenIdentifier) {
  std::vector<RunningAppName> running{
      {"com.example.notes", "Notes (lower)"},
      {"com.example.Notes", ""},
      {"com.example.NOTES", "Notes (upper)"},
      {"com.example.Mail", "Mail"},
  };
  EXPECT_EQ(AwakeStatusText::appNameAmongRunningApplications("com.example.Mail", running), "Mail");
  // The exact match has no name: the first named match ignoring case wins.
  EXPECT_EQ(AwakeStatusText::appNameAmongRunningApplications("com.example.Notes", running),
            "Notes (lower)");
  EXPECT_EQ(AwakeStatusText::appNameAmongRunningApplications("COM.EXAMPLE.MAIL", running), "Mail");
  EXPECT_EQ(AwakeStatusText::appNameAmongRunningApplications("com.example.Safari", running),
            "com.example.Safari");
  EXPECT_EQ(AwakeStatusText::appNameAmongRunningApplications("com.example.mai", running),
            "com.example.mai");
  EXPECT_EQ(AwakeStatusText::appNameAmongRunningApplications("x", {}), "x");
  // Identifiers are executable names, which may be any text: Unicode folding.
  EXPECT_EQ(AwakeStatusText::appNameAmongRunningApplications(
                "GR\u00d6SSE", {{"gr\u00f6\u00dfe", "Gr\u00f6\u00dfe"}}),
            "Gr\u00f6\u00dfe");
}

TEST(AppNameRuleTest, DefaultResolverReadsTheWorkspacesRunningApplications) {
  vigilix::testing::FakeRunningApplications workspace;
  workspace.add("com.example.Mail").localizedName = "Mail";
  workspace.add(std::nullopt).localizedName = "Helper";
  auto* previous = platform::RunningApplications::setCurrent(&workspace);
  EXPECT_EQ(AwakeStatusText::defaultAppName("com.example.mail"), "Mail");
  EXPECT_EQ(AwakeStatusText::defaultAppName("Helper"), "Helper");
  platform::RunningApplications::setCurrent(previous);
}

}  // namespace
}  // namespace vigilix
