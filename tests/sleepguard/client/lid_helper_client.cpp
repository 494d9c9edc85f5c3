// The application's installer client alone: one request through the helper
// the application uses, its outcome printed as a line ("success", the
// failure's message, or the three status Booleans). Exit 0 once answered, 2
// on a bad command line.
#include <cstdio>
#include <string>

#include "closedlid/lid_helper.h"
#include "platform/runloop/live_run_loop.h"

namespace {

// Registration is not exercised here; the uninstall's unregistering is
// reported as refused and, as the helper does, ignored.
struct NoServiceManager final : vigilix::VGXUnitRegistry {
  std::expected<vigilix::VGXUnitReading, vigilix::VGXUnitError> read(std::string_view) override {
    return std::unexpected(vigilix::VGXUnitError{false, false, "no service manager"});
  }
  std::expected<void, vigilix::VGXUnitError> enableAndStart(std::string_view) override {
    return std::unexpected(vigilix::VGXUnitError{false, false, "no service manager"});
  }
  std::expected<void, vigilix::VGXUnitError> disableAndStop(std::string_view) override {
    return std::unexpected(vigilix::VGXUnitError{false, false, "no service manager"});
  }
};

}  // namespace

int main(int argc, char** argv) {
  using namespace vigilix;
  if (argc != 4) return 2;
  const VGXServiceSocketExpectation expectation{argv[1], argv[2], 0};
  const std::string method = argv[3];
  MainClientScheduler scheduler;
  NoServiceManager units;
  VGXLidHelper helper([&] { return std::make_unique<LiveInstallerTransport>(expectation); },
                      scheduler, units);
  auto print = [](const std::string& line) {
    std::puts(line.c_str());
    platform::LiveRunLoop::main().stop();
  };
  auto done = [&](std::expected<void, VGXHelperFailure> outcome) {
    print(outcome ? "success" : outcome.error().message);
  };
  if (method == "install") {
    helper.install(done);
  } else if (method == "uninstall") {
    helper.uninstall(done);
  } else if (method == "status") {
    helper.status([&](std::expected<VGXInstallerStatus, VGXHelperFailure> outcome) {
      if (!outcome) return print(outcome.error().message);
      print("installed=" + std::to_string(outcome->installed) +
            " current=" + std::to_string(outcome->current) +
            " maintenance=" + std::to_string(outcome->maintenance));
    });
  } else {
    return 2;
  }
  platform::LiveRunLoop::main().run();
  return 0;
}
