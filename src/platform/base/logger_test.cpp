#include "platform/base/logger.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "testing/captured_log.h"

namespace vigilix::platform {
namespace {

using testing::CapturedLog;

TEST(LoggerTest, EachLevelReachesTheSinkWithSubsystemAndCategory) {
  CapturedLog log;
  Logger logger("run.tarvo.vigilix", "assertions");
  logger.log("Created assertion {}", 42);
  logger.info("info {}", "text");
  logger.debug("debug");
  logger.error("Failed to create power assertion: {}", -536870211);
  logger.fault("fault {:.1f}", 0.25);

  auto entries = log.entries();
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0], (LogEntry{"run.tarvo.vigilix", "assertions", LogLevel::Default,
                                  "Created assertion 42"}));
  EXPECT_EQ(entries[1].level, LogLevel::Info);
  EXPECT_EQ(entries[1].message, "info text");
  EXPECT_EQ(entries[2].level, LogLevel::Debug);
  EXPECT_EQ(entries[3].level, LogLevel::Error);
  EXPECT_EQ(entries[3].message, "Failed to create power assertion: -536870211");
  EXPECT_EQ(entries[4].level, LogLevel::Fault);
  EXPECT_EQ(entries[4].message, "fault 0.2");
}

TEST(LoggerTest, CaptureLookupsFilterByCategoryLevelAndText) {
  CapturedLog log;
  Logger triggers("run.tarvo.vigilix", "triggers");
  Logger hub("run.tarvo.vigilix", "hub");
  triggers.error("Failed to encode trigger configuration: {}", "bad");
  hub.log("tick");
  hub.log("tick");

  EXPECT_TRUE(log.contains("tick"));
  EXPECT_FALSE(log.contains("tic"));
  EXPECT_TRUE(log.containsFragment("encode trigger"));
  EXPECT_TRUE(
      log.contains("triggers", LogLevel::Error, "Failed to encode trigger configuration: bad"));
  EXPECT_FALSE(log.contains("hub", LogLevel::Error, "Failed to encode trigger configuration: bad"));
  EXPECT_FALSE(
      log.contains("triggers", LogLevel::Default, "Failed to encode trigger configuration: bad"));
  EXPECT_EQ(log.messages("hub"), (std::vector<std::string>{"tick", "tick"}));
  EXPECT_EQ(log.entries("triggers").size(), 1u);
  EXPECT_EQ(log.count(LogLevel::Default), 2u);
  EXPECT_EQ(log.count(LogLevel::Fault), 0u);
  log.clear();
  EXPECT_EQ(log.size(), 0u);
}

TEST(LoggerTest, NestedCapturesRestoreTheOuterSinkInOrder) {
  CapturedLog outer;
  Logger logger("s", "c");
  logger.log("one");
  {
    CapturedLog inner;
    logger.log("two");
    EXPECT_EQ(inner.messages(), (std::vector<std::string>{"two"}));
  }
  logger.log("three");
  EXPECT_EQ(outer.messages(), (std::vector<std::string>{"one", "three"}));
}

TEST(LoggerTest, LoggingFromManyThreadsLosesNothing) {
  CapturedLog log;
  Logger logger("s", "c");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&logger, t] {
      for (int i = 0; i < 100; ++i) logger.info("{}:{}", t, i);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(log.count(LogLevel::Info), 400u);
}

// Counts what it receives and adds the count to a total once it has been
// swapped out, when no write may still be running into it.
class TallySink : public LogSink {
 public:
  explicit TallySink(std::size_t& total) : total_(total), previous_(setLogSink(this)) {}
  ~TallySink() override {
    setLogSink(previous_);
    total_ += count_;
  }
  void write(const LogEntry&) override { ++count_; }

 private:
  std::size_t& total_;
  LogSink* previous_;
  std::size_t count_ = 0;  // only touched under the sink lock or after the swap
};

TEST(LoggerTest, SwappingSinksWhileAnotherThreadLogsLosesNothing) {
  CapturedLog outer;
  Logger logger("s", "c");
  constexpr std::size_t kMessages = 2000;
  std::thread writer([&logger] {
    for (std::size_t i = 0; i < kMessages; ++i) logger.info("{}", i);
  });
  std::size_t inside = 0;
  for (int round = 0; round < 300; ++round) {
    TallySink tally(inside);
  }
  writer.join();
  EXPECT_EQ(outer.size() + inside, kMessages);
}

TEST(LoggerTest, LevelNames) {
  EXPECT_EQ(logLevelName(LogLevel::Default), "default");
  EXPECT_EQ(logLevelName(LogLevel::Info), "info");
  EXPECT_EQ(logLevelName(LogLevel::Debug), "debug");
  EXPECT_EQ(logLevelName(LogLevel::Error), "error");
  EXPECT_EQ(logLevelName(LogLevel::Fault), "fault");
}

}  // namespace
}  // namespace vigilix::platform
