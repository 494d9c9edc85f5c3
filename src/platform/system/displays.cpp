#include "platform/system/displays.h"

#include <cctype>
#include <utility>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

// "card0-HDMI-A-1" gives "HDMI-A-1"; "card0", "renderD128" and "version"
// are no connectors and give an empty text.
std::string connectorOf(const std::string& entry) {
  if (!entry.starts_with("card")) return {};
  std::size_t i = 4;
  while (i < entry.size() && std::isdigit(static_cast<unsigned char>(entry[i]))) ++i;
  if (i == 4 || i >= entry.size() || entry[i] != '-') return {};
  return entry.substr(i + 1);
}

}  // namespace

bool isBuiltinConnector(const std::string& connector) {
  // A virtual machine's own screen is its "Virtual-N" connector.
  return connector.starts_with("eDP") || connector.starts_with("LVDS") ||
         connector.starts_with("DSI") || connector.starts_with("Virtual-");
}

LiveDisplays::LiveDisplays() : LiveDisplays(FileSystem::root()) {}

LiveDisplays::LiveDisplays(std::filesystem::path root) : root_(std::move(root)) {}

std::vector<ActiveDisplay> LiveDisplays::activeDisplays() {
  std::vector<ActiveDisplay> displays;
  const std::filesystem::path folder = root_ / "sys/class/drm";
  for (const std::string& entry : listFolder(folder)) {
    std::string connector = connectorOf(entry);
    if (connector.empty()) continue;
    if (readTrimmedFile(folder / entry / "status") != "connected") continue;
    // A display plugged in but switched off (no mode set) shows nothing.
    if (readTrimmedFile(folder / entry / "enabled") != "enabled") continue;
    const bool builtin = isBuiltinConnector(connector);
    displays.push_back(ActiveDisplay{std::move(connector), builtin});
  }
  return displays;
}

}  // namespace vigilix::platform
