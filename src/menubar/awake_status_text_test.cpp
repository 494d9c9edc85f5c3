#include "menubar/awake_status_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "menubar/pinned_text_test_fixture.h"
#include "platform/base/localized.h"
#include "testing/fake_system.h"

namespace vigilix {
namespace {

using platform::Calendar;
using platform::Date;
using platform::Locale;

class AwakeStatusTextTest : public testing::PinnedTextTest {
 protected:
  using PinnedTextTest::PinnedTextTest;

  std::string status(const AwakeSnapshot& snapshot, bool lowPower = false,
                     std::optional<Date> scheduleEnd = std::nullopt) {
    return AwakeStatusText::statusLine(snapshot, now_, calendar_, locale_, lowPower, scheduleEnd,
                                       appName_);
  }
  std::optional<std::string> secondary(const AwakeSnapshot& snapshot) {
    return AwakeStatusText::secondaryLine(snapshot, now_, calendar_, locale_, std::nullopt,
                                          appName_);
  }
  std::string clause(const TriggerReason& reason, std::optional<Date> scheduleEnd = std::nullopt) {
    return AwakeStatusText::reasonClause(reason, now_, calendar_, locale_, scheduleEnd, appName_);
  }
  static AwakeSnapshot snapshotOf(AwakeStatus primary) {
    AwakeSnapshot snapshot;
    snapshot.isAwake = primary.kind() == AwakeStatus::Kind::manualUntil ||
                       primary.kind() == AwakeStatus::Kind::manualIndefinite ||
                       primary.kind() == AwakeStatus::Kind::automatic;
    snapshot.primary = std::move(primary);
    return snapshot;
  }
  static AwakeSnapshot automatic(TriggerReason reason, int agents = 0,
                                 std::optional<TriggerReason> also = std::nullopt) {
    AwakeSnapshot snapshot = snapshotOf(AwakeStatus::automatic(std::move(reason)));
    snapshot.alsoActive = std::move(also);
    snapshot.agentCount = agents;
    return snapshot;
  }
};

class BritishStatusTextTest : public AwakeStatusTextTest {
 protected:
  BritishStatusTextTest() : AwakeStatusTextTest("en_GB", "Europe/London") {}
};

TEST_F(AwakeStatusTextTest, StatusLinesWithoutReasons) {
  EXPECT_EQ(status(AwakeSnapshot()), "Vigilix is not keeping your Mac awake");
  EXPECT_EQ(status(snapshotOf(AwakeStatus::manualIndefinite())), "Keeping awake until you stop it");
  EXPECT_EQ(status(snapshotOf(AwakeStatus::blockedByBattery()), false),
            "Battery protection: Vigilix is not keeping your Mac awake");
  EXPECT_EQ(status(snapshotOf(AwakeStatus::blockedByBattery()), true),
            "Low Power Mode: Vigilix is not keeping your Mac awake");
  EXPECT_EQ(status(snapshotOf(AwakeStatus::blockedByHeat()), true),
            "Paused because your Mac is hot");
}

TEST_F(AwakeStatusTextTest, TimedSessionInTwelveHourEnglish) {
  AwakeSnapshot today = snapshotOf(AwakeStatus::manualUntil(at(17, 30)));
  EXPECT_EQ(status(today), "Keeping awake until 5:30 PM (2 hours, 5 minutes remaining)");
  AwakeSnapshot tomorrow = snapshotOf(AwakeStatus::manualUntil(at(9, 0, 0, 11)));
  EXPECT_EQ(status(tomorrow),
            "Keeping awake until 12/11/26, 9:00 AM (17 hours, 35 minutes remaining)");
}

TEST_F(BritishStatusTextTest, TimedSessionInTwentyFourHourEnglish) {
  AwakeSnapshot today = snapshotOf(AwakeStatus::manualUntil(at(17, 30)));
  EXPECT_EQ(status(today), "Keeping awake until 17:30 (2 hours, 5 minutes remaining)");
  AwakeSnapshot tomorrow = snapshotOf(AwakeStatus::manualUntil(at(0, 0, 0, 11)));
  EXPECT_EQ(status(tomorrow),
            "Keeping awake until 11/12/2026, 00:00 (8 hours, 35 minutes remaining)");
}

TEST_F(BritishStatusTextTest, RemainingTimeTruncatesToTwoUnitsAndNeverGoesNegative) {
  Locale locale("en_GB");
  EXPECT_EQ(AwakeStatusText::remaining(now_, now_ + 7559.9, locale), "2 hours, 5 minutes");
  EXPECT_EQ(AwakeStatusText::remaining(now_, now_ + 3601, locale), "1 hour");
  EXPECT_EQ(AwakeStatusText::remaining(now_, now_ + 90061, locale), "1 day, 1 hour");
  EXPECT_EQ(AwakeStatusText::remaining(now_, now_ + 61, locale), "1 minute, 1 second");
  EXPECT_EQ(AwakeStatusText::remaining(now_, now_ + 0.5, locale), "0 seconds");
  // An end already passed formats zero, not a negative span.
  EXPECT_EQ(AwakeStatusText::remaining(now_, now_ - 600, locale), "0 seconds");
  AwakeSnapshot late = snapshotOf(AwakeStatus::manualUntil(at(15, 20)));
  EXPECT_EQ(status(late), "Keeping awake until 15:20 (0 seconds remaining)");
  // Only a span the formatter cannot write gives the bare "0".
  EXPECT_EQ(AwakeStatusText::remaining(now_, Date(NAN), locale), "0");
}

TEST_F(BritishStatusTextTest, EndTimeShowsTheDateOnlyOnOtherDays) {
  EXPECT_EQ(AwakeStatusText::endTime(at(23, 59), now_, calendar_, locale_), "23:59");
  EXPECT_EQ(AwakeStatusText::endTime(at(0, 0, 0, 11), now_, calendar_, locale_),
            "11/12/2026, 00:00");
  EXPECT_EQ(AwakeStatusText::endTime(at(8, 0, 0, 9), now_, calendar_, locale_),
            "09/12/2026, 08:00");
  // The calendar's zone decides both the day and the time: 14:25 in London
  // is 23:25 in Tokyo, 15:25 is already the next day there.
  Calendar tokyo(*platform::TimeZone::named("Asia/Tokyo"), locale_);
  EXPECT_EQ(AwakeStatusText::endTime(at(16, 0), now_ - 3600, tokyo, locale_), "11/12/2026, 01:00");
  EXPECT_EQ(AwakeStatusText::endTime(at(16, 0), now_, tokyo, locale_), "01:00");
}

TEST_F(AwakeStatusTextTest, ClausesOfReasonsWithoutPayload) {
  EXPECT_EQ(clause(TriggerReason::powerAdapter()), "power adapter connected");
  EXPECT_EQ(clause(TriggerReason::externalDisplay()), "external display connected");
  EXPECT_EQ(clause(TriggerReason::inCall()), "During a call");
  EXPECT_EQ(clause(TriggerReason::audioPlaying()), "While audio is playing");
  EXPECT_EQ(clause(TriggerReason::diskActivity()), "While files are copying");
  EXPECT_EQ(clause(TriggerReason::networkActivity()), "network is busy");
  EXPECT_EQ(clause(TriggerReason::cpuUsage()), "CPU is busy");
  EXPECT_EQ(clause(TriggerReason::focus()), "While your Focus is on");
  EXPECT_EQ(clause(TriggerReason::timeMachine()), "Time Machine is backing up");
  EXPECT_EQ(clause(TriggerReason::schedule()), "scheduled");
  EXPECT_EQ(clause(TriggerReason::schedule(), at(17, 0)), "scheduled until 5:00 PM");
  EXPECT_EQ(clause(TriggerReason::schedule(), at(6, 0, 0, 11)),
            "scheduled until 12/11/26, 6:00 AM");
  EXPECT_TRUE(resolved_.empty());
}

TEST_F(AwakeStatusTextTest, ClausesWithPayloadsCallTheResolverOnlyForApps) {
  EXPECT_EQ(clause(TriggerReason::appRunning("com.example.Keynote")),
            "Name of com.example.Keynote is running");
  EXPECT_EQ(clause(TriggerReason::watchedApp("com.example.Render")),
            "Until Name of com.example.Render quits");
  EXPECT_EQ(resolved_, (std::vector<std::string>{"com.example.Keynote", "com.example.Render"}));
  EXPECT_EQ(clause(TriggerReason::watchedFile("movie.mov")),
            "Until \xE2\x80\x9Cmovie.mov\xE2\x80\x9D finishes downloading");
  EXPECT_EQ(clause(TriggerReason::wifiNetwork("Office 5G")), "connected to Office 5G");
  // A payload is inserted as it is, placeholders included.
  EXPECT_EQ(clause(TriggerReason::wifiNetwork("100%@ net")), "connected to 100%@ net");
  EXPECT_EQ(resolved_.size(), 2u);
}

TEST_F(AwakeStatusTextTest, AnEmptyResolverShowsTheIdentifier) {
  EXPECT_EQ(AwakeStatusText::reasonClause(TriggerReason::watchedApp("com.example.Render"), now_,
                                          calendar_, locale_, std::nullopt, AppNameResolver{}),
            "Until com.example.Render quits");
}

TEST_F(AwakeStatusTextTest, AgentClausesUseDisplayNames) {
  EXPECT_EQ(clause(TriggerReason::agent("claude")), "Claude Code is working");
  EXPECT_EQ(clause(TriggerReason::agent("codex")), "Codex is working");
  EXPECT_EQ(clause(TriggerReason::agent("grok")), "Grok is working");
  EXPECT_EQ(clause(TriggerReason::agent("cursor")), "Cursor is working");
  EXPECT_EQ(clause(TriggerReason::agent("gemini")), "Gemini CLI is working");
  // Exact, case-sensitive lookup; unknown tools are shown as they are.
  EXPECT_EQ(clause(TriggerReason::agent("Claude")), "Claude is working");
  EXPECT_EQ(clause(TriggerReason::agent("aider")), "aider is working");
}

TEST_F(AwakeStatusTextTest, AutomaticStatusAndTheAgentCount) {
  EXPECT_EQ(status(automatic(TriggerReason::powerAdapter())),
            "Keeping awake: power adapter connected");
  EXPECT_EQ(status(automatic(TriggerReason::schedule()), false, at(17, 0)),
            "Keeping awake: scheduled until 5:00 PM");
  EXPECT_EQ(status(automatic(TriggerReason::agent("codex"), 1)), "Keeping awake: Codex is working");
  EXPECT_EQ(status(automatic(TriggerReason::agent("codex"), 0)), "Keeping awake: Codex is working");
  EXPECT_EQ(status(automatic(TriggerReason::agent("codex"), 2)),
            "Keeping awake: 2 AI agents are working");
  EXPECT_EQ(status(automatic(TriggerReason::agent("codex"), 3)),
            "Keeping awake: 3 AI agents are working");
  // Another agent beside the first means at least two.
  EXPECT_EQ(status(automatic(TriggerReason::agent("codex"), 0, TriggerReason::agent("claude"))),
            "Keeping awake: 2 AI agents are working");
  EXPECT_EQ(status(automatic(TriggerReason::agent("codex"), 4, TriggerReason::agent("claude"))),
            "Keeping awake: 4 AI agents are working");
  // A non-agent companion does not raise the count.
  EXPECT_EQ(status(automatic(TriggerReason::agent("codex"), 1, TriggerReason::inCall())),
            "Keeping awake: Codex is working");
  // The count only matters when the first reason is an agent.
  EXPECT_EQ(status(automatic(TriggerReason::inCall(), 3, TriggerReason::agent("claude"))),
            "Keeping awake: During a call");
}

TEST_F(AwakeStatusTextTest, SecondaryLinePrefersTheOtherReasonOverThePause) {
  AwakeSnapshot snapshot = automatic(TriggerReason::powerAdapter());
  EXPECT_EQ(secondary(snapshot), std::nullopt);
  snapshot.pause = TriggerPause::untilResumed();
  EXPECT_EQ(secondary(snapshot), "Triggers paused until you resume them");
  snapshot.pause = TriggerPause::until(at(18, 45));
  EXPECT_EQ(secondary(snapshot), "Triggers paused until 6:45 PM");
  snapshot.pause = TriggerPause::until(at(7, 15, 0, 12));
  EXPECT_EQ(secondary(snapshot), "Triggers paused until 12/12/26, 7:15 AM");
  snapshot.alsoActive = TriggerReason::appRunning("com.example.Music");
  snapshot.pause = TriggerPause::untilResumed();
  EXPECT_EQ(secondary(snapshot), "Also active: Name of com.example.Music is running");
}

class TranslatingTable : public platform::StringTable {
 public:
  std::optional<std::string> lookup(std::string_view key) const override {
    static const std::map<std::string, std::string, std::less<>> table{
        {"Keeping awake: %@", "Wach: %@"},
        {"power adapter connected", "am Netzteil"},
        {"Keeping awake until %@ (%@ remaining)", "Wach bis %@ (noch %@)"},
    };
    auto it = table.find(key);
    if (it == table.end()) return std::nullopt;
    return it->second;
  }
};

TEST_F(BritishStatusTextTest, TextsComeFromTheStringTableExceptTheAgentWords) {
  platform::setStringTable(std::make_shared<TranslatingTable>());
  EXPECT_EQ(status(automatic(TriggerReason::powerAdapter())), "Wach: am Netzteil");
  EXPECT_EQ(status(snapshotOf(AwakeStatus::manualUntil(at(17, 30)))),
            "Wach bis 17:30 (noch 2 hours, 5 minutes)");
  EXPECT_EQ(status(automatic(TriggerReason::agent("claude"), 1)), "Wach: Claude Code is working");
  EXPECT_EQ(status(automatic(TriggerReason::agent("claude"), 2)),
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
