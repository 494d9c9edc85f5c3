// A stand-in for the programs at the other end of the guard's sockets and
// locks, run by the tests under whatever name and user a row needs.
//
//   guard_test_peer lock
//     takes the guard's sleep switch lock, prints "taken" or "refused", and
//     keeps it until killed (an older guard left running);
//   guard_test_peer call <socket> <request>...
//     sends each request (one JSON text) on one connection and prints each
//     reply on a line of its own, "closed" when the guard closed instead, or
//     "connect <errno>" when it could not connect.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/ipc/packet_socket.h"
#include "sleepguard/core/logind_sleep_runner.h"

namespace {

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

int lock() {
  auto* runner = new vigilix::VGXLogindSleepRunner("older guard");  // kept until killed
  say(runner->setSleepDisabled(true) ? "taken" : "refused");
  for (;;) ::pause();
}

int call(const std::vector<std::string>& arguments) {
  auto connection = vigilix::platform::connectPacketSocket(arguments[2]);
  if (!connection) {
    say("connect " + std::to_string(connection.error()));
    return 0;
  }
  for (std::size_t index = 3; index < arguments.size(); ++index) {
    const auto sent = vigilix::platform::sendPacket(connection->get(), arguments[index]);
    const auto reply = sent ? vigilix::platform::receivePacket(connection->get())
                            : std::expected<vigilix::platform::ReceivedPacket, int>{};
    if (!sent || !reply || reply->closed) {
      say("closed");
      return 0;
    }
    say(reply->bytes);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);  // a refused connection reads as "closed", not a dead peer
  const std::vector<std::string> arguments(argv, argv + argc);
  if (arguments.size() == 2 && arguments[1] == "lock") return lock();
  if (arguments.size() >= 3 && arguments[1] == "call") return call(arguments);
  std::fputs("usage: guard_test_peer lock | call <socket> <request>...\n", stderr);
  return 64;
}
