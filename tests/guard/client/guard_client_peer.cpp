// The application's guard client alone, as the application runs it: arms on
// the guard's socket, prints "holding" once the lease is granted, disarms when
// the file named by its third argument appears, and ends once the guard
// reports itself idle again. Exit 0 then, 2 on a bad command line.
#include <cstdio>
#include <filesystem>

#include "closedlid/live_guard_transport.h"
#include "closedlid/sleep_guard_client.h"
#include "platform/runloop/live_run_loop.h"

int main(int argc, char** argv) {
  using namespace vigilix;
  if (argc != 4) return 2;
  const VGXServiceSocketExpectation expectation{argv[1], argv[2], 0};
  const std::filesystem::path disarmFlag = argv[3];
  MainClientScheduler scheduler;
  VGXSleepGuardClient client([&] { return std::make_unique<LiveGuardTransport>(expectation); },
                             scheduler);
  bool printed = false;
  bool disarmed = false;
  client.onChange = [&](const VGXSleepGuardClient::Snapshot& snapshot) {
    if (snapshot.holding && !printed) {
      printed = true;
      std::puts("holding");
      std::fflush(stdout);
    }
    if (disarmed) {  // the answer to the status asked after disarming
      const bool idle = snapshot.status && snapshot.status->state == VGXGuardState::idle();
      std::puts(idle ? "idle" : "not idle");
      platform::LiveRunLoop::main().stop();
    }
  };
  client.setArmed(true, true, 20, 4);
  auto watch = scheduler.schedule(1, true, [&] {
    if (disarmed || !printed || !std::filesystem::exists(disarmFlag)) return;
    client.setArmed(false, false, 20, 4);
    disarmed = true;
    client.refreshStatus();
  });
  platform::LiveRunLoop::main().run();
  return 0;
}
