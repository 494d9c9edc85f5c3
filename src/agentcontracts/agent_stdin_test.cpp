#include "agentcontracts/agent_stdin.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace vigilix {
namespace {

std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TEST(AgentStdinTest, TakesAtMostTheLimitAndPutsTheFlagsBack) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  const std::string payload(VGXAgentStdin::maxBytes + 5000, 'x');
  ASSERT_EQ(std::fwrite(payload.data(), 1, payload.size(), file), payload.size());
  std::fflush(file);
  std::rewind(file);
  const int flags = ::fcntl(::fileno(file), F_GETFL);
  EXPECT_EQ(VGXAgentStdin::read(::fileno(file), seconds, seconds() + 30).size(),
            VGXAgentStdin::maxBytes);
  EXPECT_EQ(::fcntl(::fileno(file), F_GETFL), flags);
  std::fclose(file);
}

TEST(AgentStdinTest, WaitsNoLongerThanTheDeadlineAndLosesNothingToASignal) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::write(ends[1], "{\"a\":1}", 7), 7);
  double now = 0;  // each look at the clock moves it one second on
  EXPECT_EQ(text(VGXAgentStdin::read(
                ends[0], [&] { return now++; }, 1.0)),
            "{\"a\":1}");
  EXPECT_TRUE(VGXAgentStdin::read(
                  ends[0], [] { return 2.0; }, 1.0)
                  .empty());

  struct sigaction action {
  }, previous{};
  action.sa_handler = [](int) {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
  const pthread_t reader = ::pthread_self();
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::pthread_kill(reader, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(::write(ends[1], "late", 4), 4);
    ::close(ends[1]);
  });
  EXPECT_EQ(text(VGXAgentStdin::read(ends[0], seconds, seconds() + 30)), "late");
  writer.join();
  ::sigaction(SIGUSR1, &previous, nullptr);
  ::close(ends[0]);
}

}  // namespace
}  // namespace vigilix
