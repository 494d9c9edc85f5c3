// The built program under a wall clock stepped as the kernel steps it (the clock it reads and
// its real-time timers, through the preloaded stepped clock), while the machine's stays put.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/app_end_to_end_fixture.h"

namespace vigilix::testing {
namespace {

int linesSaying(const std::string& log, const std::string& text) {
  int count = 0;
  for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

TEST_F(AppEndToEndFixture, AStormOfSmallSetsIsNoClockChangeAndEachJumpIsOne) {
  const auto fifo = home_ / "clock-steps";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  {
    const char* asan = std::getenv("ASAN_OPTIONS");
    // The sanitiser's runtime would insist on being loaded first.
    ScopedEnvironment stepped("ASAN_OPTIONS",
                              std::string(asan ? asan : "") + ":verify_asan_link_order=0");
    stepped.set("LD_PRELOAD", VIGILIX_STEPPED_CLOCK);
    stepped.set("STEPPED_CLOCK_FIFO", fifo.string());
    startApplication();
  }
  const auto log = [&] { return readFile(home_ / "app.log"); };
  // Said once the program watches the clock.
  ASSERT_TRUE(waitUntil([&] { return log().find("Vigilix is running.") != std::string::npos; },
                        std::chrono::seconds(30)))
      << log();
  std::ofstream steps(fifo);

  steps << "+3600" << std::endl;
  ASSERT_TRUE(waitUntil(
      [&] { return log().find("The clock was set ahead by 3600.0 s.") != std::string::npos; },
      std::chrono::seconds(10)))
      << log();
  for (int step = 0; step < 100; ++step) steps << (step % 2 == 0 ? "+0.05" : "-0.05") << "\n";
  steps << "-3600" << std::endl;
  ASSERT_TRUE(waitUntil(
      [&] { return log().find("The clock was set back by 3600.0 s.") != std::string::npos; },
      std::chrono::seconds(10)))
      << log();
  EXPECT_EQ(linesSaying(log(), "The clock was set"), 2) << log();
}

}  // namespace
}  // namespace vigilix::testing
