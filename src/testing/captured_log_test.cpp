#include "testing/captured_log.h"

#include <gtest/gtest.h>

namespace vigilix::testing {
namespace {

using platform::LogEntry;
using platform::LogLevel;

class CountingSink : public platform::LogSink {
 public:
  void write(const LogEntry&) override { ++count; }
  int count = 0;
};

TEST(CapturedLogTest, PutsBackTheSinkThatWasInstalledBefore) {
  CountingSink counting;
  platform::LogSink* before = platform::setLogSink(&counting);
  platform::Logger logger("s", "c");
  {
    CapturedLog log;
    logger.log("captured");
    EXPECT_EQ(log.size(), 1u);
  }
  logger.log("counted");
  EXPECT_EQ(counting.count, 1);
  EXPECT_EQ(&platform::currentLogSink(), &counting);
  platform::setLogSink(before);
}

TEST(CapturedLogTest, WritesDirectlyAreRecordedVerbatim) {
  CapturedLog log;
  LogEntry entry{"sub", "cat", LogLevel::Fault, "m"};
  log.write(entry);
  EXPECT_EQ(log.entries(), std::vector<LogEntry>{entry});
  EXPECT_TRUE(log.entries("other").empty());
}

}  // namespace
}  // namespace vigilix::testing
