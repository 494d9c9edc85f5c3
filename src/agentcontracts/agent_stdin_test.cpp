#include "agentcontracts/agent_stdin.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace vigilix {
namespace {

struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    read = ends[0];
    write = ends[1];
  }
  ~Pipe() {
    closeWrite();
    ::close(read);
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
};

std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

TEST(AgentStdinTest, TakesAtMostTheLimitAndPutsTheFlagsBack) {
  Pipe pipe;
  const std::string payload(VGXAgentStdin::maxBytes + 5000, 'x');
  std::thread writer([&] {
    std::size_t sent = 0;
    while (sent < payload.size()) {
      const ssize_t n = ::write(pipe.write, payload.data() + sent, payload.size() - sent);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    pipe.closeWrite();
  });
  const int flags = ::fcntl(pipe.read, F_GETFL);
  const auto bytes = VGXAgentStdin::read(pipe.read, seconds, seconds() + 30);
  EXPECT_EQ(bytes.size(), VGXAgentStdin::maxBytes);
  EXPECT_EQ(::fcntl(pipe.read, F_GETFL), flags);
  std::vector<std::uint8_t> rest(8192);
  while (::read(pipe.read, rest.data(), rest.size()) > 0) {
  }
  writer.join();
}

TEST(AgentStdinTest, AWriterThatNeverClosesGivesWhatArrivedByTheDeadline) {
  Pipe pipe;
  ASSERT_EQ(::write(pipe.write, "{\"a\":1}", 7), 7);
  double now = 0;  // each look at the clock moves it one second on
  const auto bytes = VGXAgentStdin::read(
      pipe.read, [&] { return now++; }, 1.0);
  EXPECT_EQ(text(bytes), "{\"a\":1}");
  EXPECT_TRUE(VGXAgentStdin::read(
                  pipe.read, [] { return 2.0; }, 1.0)
                  .empty());
}

TEST(AgentStdinTest, ASignalDuringTheWaitLosesNoInput) {
  struct sigaction action {};
  action.sa_handler = [](int) {};
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
  Pipe pipe;
  const pthread_t reader = ::pthread_self();
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::pthread_kill(reader, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(::write(pipe.write, "late", 4), 4);
    pipe.closeWrite();
  });
  const auto bytes = VGXAgentStdin::read(pipe.read, seconds, seconds() + 30);
  writer.join();
  ::sigaction(SIGUSR1, &previous, nullptr);
  EXPECT_EQ(text(bytes), "late");
}

}  // namespace
}  // namespace vigilix
