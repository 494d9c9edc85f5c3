// Opens the picker panel in a program built like the application and reports
// its resident memory, and whether Qt is mapped, before and after the window.
// Exits 1 when Qt was mapped before the window or not after it.
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "menubar/deadline_picker.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/live_run_loop.h"
#include "platform/ui/window_rendering.h"

// Fontconfig, loaded with Qt, keeps its caches to the end of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

struct Sample {
  long residentKiB = 0;
  bool qtMapped = false;
};

Sample sample() {
  Sample s;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) s.residentKiB = std::stol(line.substr(6));
  }
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.find("libQt6") != std::string::npos) s.qtMapped = true;
  }
  return s;
}

void runFor(double seconds) {
  using vigilix::platform::Clock;
  vigilix::platform::LiveRunLoop::main().runUntil(Clock::current().now() + seconds);
}

}  // namespace

int main(int argc, char** argv) {
  using vigilix::platform::WindowRendering;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s RENDERER-MODULE\n", argv[0]);
    return 2;
  }
  if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  char runtime[] = "/tmp/vigilix-probe-XXXXXX";
  if (!getenv("XDG_RUNTIME_DIR") && mkdtemp(runtime)) setenv("XDG_RUNTIME_DIR", runtime, 1);
  WindowRendering::loadModuleOnFirstWindow(argv[1]);

  runFor(0.2);
  Sample before = sample();
  vigilix::VGXDeadlinePicker::presentDuration([](double) {});
  runFor(0.5);
  Sample after = sample();
  std::printf("before the first window: %ld KiB resident, Qt %s\n", before.residentKiB,
              before.qtMapped ? "mapped" : "not mapped");
  std::printf("with the picker open:    %ld KiB resident, Qt %s\n", after.residentKiB,
              after.qtMapped ? "mapped" : "not mapped");
  bool shown = WindowRendering::renderer() != nullptr;
  if (auto picker = vigilix::VGXDeadlinePicker::current()) picker->window()->close();
  runFor(0.1);
  return !before.qtMapped && after.qtMapped && shown ? 0 : 1;
}
