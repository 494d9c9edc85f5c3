#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vigilix::platform {

struct ActiveDisplay {
  // The connector's name, "HDMI-A-1", "eDP-1", ...
  std::string name;
  bool isBuiltin = false;

  bool operator==(const ActiveDisplay&) const = default;
};

class Displays {
 public:
  virtual ~Displays() = default;
  // Empty when there are none or they cannot be read.
  virtual std::vector<ActiveDisplay> activeDisplays() = 0;
};

// Reads the connectors of <root>/sys/class/drm ("card<N>-<connector>"): a
// connector whose "status" is "connected" and whose "enabled" is "enabled" is
// an active display; eDP, LVDS and DSI connectors are the machine's own panel
// and a virtual machine's "Virtual-N" its own screen.
class LiveDisplays final : public Displays {
 public:
  // The machine under the file-system root (FileSystem::root()).
  LiveDisplays();
  explicit LiveDisplays(std::filesystem::path root);
  std::vector<ActiveDisplay> activeDisplays() override;

 private:
  std::filesystem::path root_;
};

// Whether a connector name ("eDP-1", "Virtual-1") is of a built-in screen.
bool isBuiltinConnector(const std::string& connector);

}  // namespace vigilix::platform
