#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "keepawake/awake_controller.h"

namespace vigilix {
namespace {

using platform::Bytes;
using platform::Date;

Bytes bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
Date at1970(double seconds) { return Date::fromTimeIntervalSince1970(seconds); }

AwakeController restored(const std::string& doc, double now) {
  auto result = AwakeController::restore(bytes(doc), at1970(now), 20);
  EXPECT_TRUE(result.has_value()) << doc;
  return result ? std::move(*result) : AwakeController(at1970(now), 20);
}

TEST(AwakeControllerRestore, SessionAndPauseFromTheSavedDocument) {
  const std::string duration =
      R"({"deadline":1800,"kind":"none","manualKind":{"duration":{"startedAt":0,"total":1800}}})";
  struct Row {
    const char* name;
    std::string doc;
    double now;
    ManualSessionKind manual;
    TriggerPause pause;
    std::optional<Date> deadline;
  };
  const auto none = ManualSessionKind::none();
  const Row rows[] = {
      {"paused until resumed, no session", R"({"kind":"untilResumed"})", 0, none,
       TriggerPause::untilResumed(), std::nullopt},
      {"pause until a date in the future", R"({"kind":"until","until":100})", 99, none,
       TriggerPause::until(at1970(100)), std::nullopt},
      {"pause until a date reached", R"({"kind":"until","until":100})", 100, none,
       TriggerPause::none(), std::nullopt},
      {"pause until without a date", R"({"kind":"until"})", 0, none, TriggerPause::none(),
       std::nullopt},
      {"unknown pause kind", R"({"kind":"later"})", 0, none, TriggerPause::none(), std::nullopt},
      {"duration before its deadline", duration, 1000, ManualSessionKind::duration(1800, at1970(0)),
       TriggerPause::none(), at1970(1800)},
      {"duration at its deadline", duration, 1800, none, TriggerPause::none(), std::nullopt},
      // A deadline moved by activity beyond startedAt + total survives.
      {"restarted deadline",
       R"({"deadline":2800,"kind":"none","manualKind":{"duration":{"startedAt":0,"total":1800}}})",
       2000, ManualSessionKind::duration(1800, at1970(0)), TriggerPause::none(), at1970(2800)},
      {"deadline without manualKind", R"({"deadline":500,"kind":"none"})", 100,
       ManualSessionKind::until(at1970(500)), TriggerPause::none(), at1970(500)},
      {"deadline without manualKind, passed", R"({"deadline":500,"kind":"none"})", 600, none,
       TriggerPause::none(), std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto c = restored(row.doc, row.now);
    EXPECT_EQ(c.manual(), row.manual);
    EXPECT_EQ(c.pause(), row.pause);
    EXPECT_EQ(c.deadline(), row.deadline);
  }
}

TEST(AwakeControllerRestore, EverythingElseStartsFresh) {
  const auto c = restored(R"({"kind":"none","manualKind":{"indefinite":{}}})", 0);
  EXPECT_EQ(c.manual(), ManualSessionKind::indefinite());
  EXPECT_EQ(c.stopGeneration(), 0);
  EXPECT_FALSE(c.automationEnabled());
  EXPECT_TRUE(c.reasons().empty());
  EXPECT_EQ(c.batteryThreshold(), 20);
}

TEST(AwakeControllerRestore, RefusesUndecodableAndNeverEndingRecords) {
  struct Row {
    const char* name;
    std::string doc;
  };
  const Row rows[] = {
      {"empty bytes", ""},
      {"infinite deadline", R"({"kind":"none","deadline":1e999})"},
      {"infinite total",
       R"({"kind":"none","manualKind":{"duration":{"total":1e999,"startedAt":0}}})"},
      // Each number is finite; their sum is not.
      {"start plus total overflows",
       R"({"kind":"none","manualKind":{"duration":{"total":1.7e308,"startedAt":1.7e308}}})"},
      {"start plus total overflows beside a finite deadline",
       R"({"deadline":10,"kind":"none","manualKind":{"duration":{"total":1.7e308,"startedAt":1.7e308}}})"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(AwakeController::restore(bytes(row.doc), at1970(0), 20).has_value());
  }
}

TEST(AwakeControllerRestore, ANowThatIsNotFiniteKeepsNoSessionOrPause) {
  const std::string doc =
      R"({"deadline":1800,"kind":"until","manualKind":{"duration":{"startedAt":0,"total":1800}},)"
      R"("until":100})";
  for (const double now : {std::nan(""), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(now);
    auto c = AwakeController::restore(bytes(doc), Date(now), 20);
    ASSERT_TRUE(c.has_value());
    EXPECT_TRUE(c->manual().isNone());
    EXPECT_EQ(c->pause(), TriggerPause::none());
  }
}

TEST(AwakeControllerSave, RoundTripsSessionAndPause) {
  AwakeController c(at1970(0), 20);
  c.setAutomationEnabled(true);
  c.startUntil(at1970(7200.5), at1970(0));
  c.pauseTriggers(at1970(3600));
  const Bytes saved = c.encodedState();
  EXPECT_EQ(std::string(saved.begin(), saved.end()),
            R"({"kind":"until","manualKind":{"until":{"_0":7200.5}},"until":3600})");

  const auto back = restored(std::string(saved.begin(), saved.end()), 10);
  EXPECT_EQ(back.manual(), c.manual());
  EXPECT_EQ(back.pause(), c.pause());
  EXPECT_EQ(back.encodedState(), saved);
}

TEST(AwakeControllerSave, StopPauseAndNoSessionAreWritten) {
  AwakeController c(at1970(0), 20);
  c.setAutomationEnabled(true);
  c.startDuration(60, at1970(0));
  c.stop(at1970(1));
  const Bytes saved = c.encodedState();
  // The deadline of the ended timed session stays in the record.
  EXPECT_EQ(std::string(saved.begin(), saved.end()),
            R"({"deadline":60,"kind":"untilResumed","manualKind":{"none":{}}})");
}

}  // namespace
}  // namespace vigilix
