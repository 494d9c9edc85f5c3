#include "direct/lock/lock_state_monitor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using Event = VGXLockEvent;
using Logic = VGXLockStateLogic::Result;
using platform::SessionLockReading;

constexpr Logic kLocked{VGXLockState::locked, false};
constexpr Logic kUnlocked{VGXLockState::unlocked, true};
constexpr Logic kUnknown{VGXLockState::unknown, false};

TEST(LockStateLogicTest, OnlyTheSessionItselfProvesItUnlocked) {
  struct Row {
    const char* name;
    Event event;
    VGXSessionReading reading;
    Logic expected;
  };
  const SessionLockReading onConsole{.lockedHint = false, .active = true};
  const Row rows[] = {
      {"no session reading at start", Event::initial, std::nullopt, kUnknown},
      {"active and not locked", Event::initial, onConsole, kUnlocked},
      {"locked hint wins over active", Event::initial, SessionLockReading{true, true}, kLocked},
      {"hint unreadable, active", Event::initial, SessionLockReading{std::nullopt, true},
       kUnlocked},
      {"activity unreadable", Event::initial, SessionLockReading{false, std::nullopt}, kUnknown},
      {"inactive session", Event::sessionBecomeActive, SessionLockReading{false, false}, kLocked},
      {"unlock notice while the session still says locked", Event::screenIsUnlocked,
       SessionLockReading{true, true}, kLocked},
      {"unlock notice with no reading", Event::screenIsUnlocked, std::nullopt, kUnknown},
      {"lock notice ignores the reading", Event::screenIsLocked, onConsole, kLocked},
      {"resigning active ignores an active reading", Event::sessionResignActive, onConsole,
       kLocked},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXLockStateLogic::apply(row.event, row.reading), row.expected);
  }
}

TEST(LockStateLogicTest, DiagnosticsLinesAndTheirCappedLog) {
  const platform::Date at = platform::Date::fromTimeIntervalSince1970(1700000000);
  struct LineRow {
    const char* name;
    Event event;
    VGXSessionReading reading;
    const char* expected;
  };
  const LineRow lines[] = {
      {"both read", Event::initial, SessionLockReading{false, true},
       "2023-11-14T22:13:20Z source=initial keys=Active,LockedHint LockedHint=false "
       "Active=true\n"},
      {"one read", Event::screenIsLocked, SessionLockReading{std::nullopt, false},
       "2023-11-14T22:13:20Z source=screenIsLocked keys=Active LockedHint=absent Active=false\n"},
      {"no reading", Event::sessionResignActive, std::nullopt,
       "2023-11-14T22:13:20Z source=sessionDidResignActive keys=nil LockedHint=nil Active=nil\n"},
      {"empty reading", Event::screenIsUnlocked, SessionLockReading{},
       "2023-11-14T22:13:20Z source=screenIsUnlocked keys= LockedHint=absent Active=absent\n"},
  };
  for (const LineRow& row : lines) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXLockStateLogic::diagnosticsLine(at, row.event, row.reading), row.expected);
  }
  struct CapRow {
    const char* name;
    std::string existing;
    std::string line;
    std::string expected;
  };
  const CapRow caps[] = {
      {"under the cap", "a\n", "b\n", "a\nb\n"},
      {"exactly at the cap stays whole", "abcd\n", "efg\n", "abcd\nefg\n"},
      {"past the cap keeps what follows the first line feed", "abcd\nef\n", "gh\n", "ef\ngh\n"},
      {"past the cap without a line feed keeps the last bytes", "abcdefghij", "klm", "defghijklm"},
  };
  for (const CapRow& row : caps) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXLockStateLogic::appendCapped(row.existing, row.line, 10), row.expected);
  }
}

TEST(LockStateMonitorTest, TellsEveryEventAndLogsOnlyWhenAsked) {
  struct Row {
    const char* name;
    std::optional<bool> diagnostics;
    std::size_t lines;
  };
  const Row rows[] = {
      {"diagnostics on", true, 3},
      {"diagnostics off", false, 0},
      {"diagnostics unset", std::nullopt, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::TemporaryRoot root;
    auto& defaults = platform::UserDefaults::standard();
    if (row.diagnostics) defaults.set(kPresenceLockDiagnosticsKey, *row.diagnostics);
    const auto log = root.home() / "state/presence-lock.log";
    VGXLockStateMonitor monitor(defaults, log);
    int told = 0;
    monitor.onChange = [&] { ++told; };
    EXPECT_EQ(monitor.state(), VGXLockState::unknown);
    monitor.handle(Event::initial, SessionLockReading{false, true});
    EXPECT_EQ(monitor.state(), VGXLockState::unlocked);
    EXPECT_TRUE(monitor.lockValidated());
    monitor.handle(Event::screenIsLocked, SessionLockReading{false, true});
    monitor.handle(Event::screenIsLocked, SessionLockReading{true, true});
    EXPECT_EQ(monitor.state(), VGXLockState::locked);
    EXPECT_FALSE(monitor.lockValidated());
    EXPECT_EQ(told, 3);
    std::ifstream in(log);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    EXPECT_EQ(lines, row.lines);
    EXPECT_EQ(std::filesystem::exists(log), row.lines > 0);
  }
}

}  // namespace
}  // namespace vigilix
