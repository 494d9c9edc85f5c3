#include <gtest/gtest.h>

#include <string>

#include "hub/awake_controller.h"

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

TEST(AwakeControllerRestore, PauseUntilResumedWithoutSession) {
  const auto c = restored(R"({"kind":"untilResumed"})", 0);
  EXPECT_EQ(c.pause(), TriggerPause::untilResumed());
  EXPECT_TRUE(c.manual().isNone());
  EXPECT_FALSE(c.durationDeadline().has_value());
}

TEST(AwakeControllerRestore, PauseUntilADateOnlyWhileInTheFuture) {
  EXPECT_EQ(restored(R"({"kind":"until","until":100})", 99).pause(),
            TriggerPause::until(at1970(100)));
  EXPECT_EQ(restored(R"({"kind":"until","until":100})", 100).pause(), TriggerPause::none());
  EXPECT_EQ(restored(R"({"kind":"until"})", 0).pause(), TriggerPause::none());
  EXPECT_EQ(restored(R"({"kind":"later"})", 0).pause(), TriggerPause::none());
}

TEST(AwakeControllerRestore, DurationSessionKeptOnlyBeforeItsDeadline) {
  const std::string doc =
      R"({"deadline":1800,"kind":"none","manualKind":{"duration":{"startedAt":0,"total":1800}}})";
  const auto live = restored(doc, 1000);
  EXPECT_EQ(live.manual(), ManualSessionKind::duration(1800, at1970(0)));
  EXPECT_EQ(live.deadline(), at1970(1800));

  const auto expired = restored(doc, 1800);
  EXPECT_TRUE(expired.manual().isNone());
}

TEST(AwakeControllerRestore, RestartedDeadlineIsKept) {
  // A deadline moved by activity beyond startedAt + total survives.
  const auto c = restored(
      R"({"deadline":2800,"kind":"none","manualKind":{"duration":{"startedAt":0,"total":1800}}})",
      2000);
  EXPECT_EQ(c.manual().kind(), ManualSessionKind::Kind::duration);
  EXPECT_EQ(c.deadline(), at1970(2800));
}

TEST(AwakeControllerRestore, DeadlineWithoutManualKindIsAnUntilSession) {
  EXPECT_EQ(restored(R"({"deadline":500,"kind":"none"})", 100).manual(),
            ManualSessionKind::until(at1970(500)));
  EXPECT_TRUE(restored(R"({"deadline":500,"kind":"none"})", 600).manual().isNone());
}

TEST(AwakeControllerRestore, EverythingElseStartsFresh) {
  const auto c = restored(R"({"kind":"none","manualKind":{"indefinite":{}}})", 0);
  EXPECT_EQ(c.manual(), ManualSessionKind::indefinite());
  EXPECT_EQ(c.stopGeneration(), 0);
  EXPECT_FALSE(c.automationEnabled());
  EXPECT_TRUE(c.reasons().empty());
  EXPECT_EQ(c.batteryThreshold(), 20);
}

TEST(AwakeControllerRestore, UndecodableBytesFail) {
  EXPECT_FALSE(AwakeController::restore(Bytes{}, at1970(0), 20).has_value());
  EXPECT_FALSE(AwakeController::restore(bytes(R"({"kind":"none","deadline":1e999})"), at1970(0), 20)
                   .has_value());
  EXPECT_FALSE(
      AwakeController::restore(
          bytes(R"({"kind":"none","manualKind":{"duration":{"total":1e999,"startedAt":0}}})"),
          at1970(0), 20)
          .has_value());
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
