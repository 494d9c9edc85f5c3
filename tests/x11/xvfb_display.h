#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "dbus/test_child_process.h"

namespace vigilix::testing {

// An Xvfb server on a display number it picks itself (-displayfd), so no
// test reaches the machine's own display. Stopped when the object goes.
// Throws std::runtime_error (with the server's log) when it does not say its
// display in time.
class XvfbDisplay {
 public:
  explicit XvfbDisplay(int width = 320, int height = 240);
  ~XvfbDisplay();
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  // DISPLAY's form: ":<number>".
  const std::string& name() const { return name_; }
  // Ends the server now, as when the desktop session goes away.
  void stop() { server_.reset(); }

  std::string log() const;

  // Whether the server program is installed.
  static bool available();

 private:
  std::filesystem::path folder_;
  std::string name_;
  std::optional<TestChildProcess> server_;
};

}  // namespace vigilix::testing
