#include "tray_screen/xfce_panel_host.h"

#include <signal.h>
#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "platform/dbus/bus_connection.h"
#include "tray_screen/xvfb_screen.h"

namespace vigilix::testing {

namespace {

// configver 2 keeps the panel from offering to migrate an old setup; the
// tray's icon size is fixed so that the item is big enough to find in a shot.
constexpr const char* kPanelSettings = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-2" type="string" value="systray">
      <property name="icon-size" type="int" value="22"/>
    </property>
  </property>
</channel>
)";

std::filesystem::path settingsDaemon() {
  for (const auto& lib : std::filesystem::directory_iterator("/usr/lib")) {
    const auto candidate = lib.path() / "xfce4/xfconf/xfconfd";
    if (std::filesystem::exists(candidate)) return candidate;
  }
  return "/usr/lib/xfce4/xfconf/xfconfd";
}

std::optional<pid_t> ownerPid(const platform::BusConnection& bus, const char* name) {
  auto reply = bus.call({"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "GetConnectionUnixProcessID"},
                        [&](platform::BusArgumentWriter& out) { out.string(name); });
  const auto pid = platform::readReply<std::uint32_t>(reply);
  if (!pid) return std::nullopt;
  return static_cast<pid_t>(*pid);
}

}  // namespace

XfcePanelHost::XfcePanelHost(const std::filesystem::path& folder, const XvfbScreen& screen)
    : folder_(folder) {
  auto bus = platform::BusConnection::open(platform::BusKind::Session);
  if (!bus) throw std::runtime_error("no session bus: " + bus.error().description());
  bus_.emplace(std::move(*bus));
  const std::filesystem::path home = folder_ / "home";
  const std::filesystem::path runtime = folder_ / "runtime";
  std::filesystem::create_directories(home / ".config/xfce4/xfconf/xfce-perchannel-xml");
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  std::ofstream(home / ".config/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml")
      << kPanelSettings;
  environment_.set("HOME", home.string());
  environment_.set("XDG_CONFIG_HOME", (home / ".config").string());
  environment_.set("XDG_CACHE_HOME", (home / ".cache").string());
  environment_.set("XDG_DATA_HOME", (home / ".local/share").string());
  environment_.set("XDG_STATE_HOME", (home / ".local/state").string());
  environment_.set("XDG_RUNTIME_DIR", runtime.string());
  // No accessibility bus: it would be looked for on the machine's own buses.
  environment_.set("NO_AT_BRIDGE", "1");
  environment_.set("SESSION_MANAGER", std::nullopt);

  settings_.emplace(std::vector<std::string>{settingsDaemon().string()}, folder_ / "xfconfd.log");
  if (!waitUntil([this] { return ownerPid(*bus_, "org.xfce.Xfconf").has_value(); })) {
    throw std::runtime_error("xfconfd did not take its name:\n" + log());
  }
  panelProcess_.emplace(std::vector<std::string>{"/usr/bin/xfce4-panel", "--disable-wm-check"},
                        folder_ / "xfce4-panel.log");
  std::optional<ScreenBox> window;
  const bool up = waitUntil(
      [&] {
        window = screen.windowOfClass("Xfce4-panel");
        if (auto pid = ownerPid(*bus_, kWatcherName)) watcherPid_ = *pid;
        return (window && watcherPid_ > 0) || !panelProcess_->running();
      },
      std::chrono::seconds(30));
  if (!up || !window || watcherPid_ <= 0) {
    throw std::runtime_error(std::string("the panel ") + (window ? "showed" : "did not show") +
                             " and its tray " + (watcherPid_ > 0 ? "took" : "did not take") +
                             " the watcher's name:\n" + log());
  }
  panel_ = *window;
}

XfcePanelHost::~XfcePanelHost() {
  panelProcess_.reset();
  // The plugin's process is the panel's child, not ours: it goes when the
  // panel does, and is stopped here by its own id when it lingers. A
  // process that ended (a zombie too) has no command line, and a new one
  // under the same id has another.
  const auto lingers = [this] {
    return watcherPid_ > 0 && watcherCommand().find("libsystray.so") != std::string::npos;
  };
  if (!waitUntil([&] { return !lingers(); }, std::chrono::seconds(5))) ::kill(watcherPid_, SIGKILL);
  settings_.reset();
}

std::string XfcePanelHost::watcherCommand() const {
  std::string command = readFile("/proc/" + std::to_string(watcherPid_) + "/cmdline");
  for (char& c : command) {
    if (c == '\0') c = ' ';
  }
  while (!command.empty() && command.back() == ' ') command.pop_back();
  return command;
}

std::vector<std::string> XfcePanelHost::registeredItems() const {
  std::vector<std::string> items;
  auto names = bus_->property<std::vector<std::string>>(
      kWatcherName, "/StatusNotifierWatcher", kWatcherName, "RegisteredStatusNotifierItems");
  if (names) items = std::move(*names);
  return items;
}

std::string XfcePanelHost::log() const {
  return "--- xfconfd\n" + readFile(folder_ / "xfconfd.log") + "--- xfce4-panel\n" +
         readFile(folder_ / "xfce4-panel.log");
}

}  // namespace vigilix::testing
