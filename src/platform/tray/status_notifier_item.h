#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dbus/async_bus_connection.h"
#include "platform/ui/geometry.h"

namespace vigilix::platform {

// One icon image for a tray host: ARGB32 pixels in network byte order
// (A, R, G, B per pixel), rows top to bottom.
struct StatusIconPixmap {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> argb;
};

// The application's icon in the desktop's tray: an org.kde.StatusNotifierItem
// at /StatusNotifierItem under its own bus name, registered with the
// StatusNotifierWatcher now and again whenever a watcher appears (hosts start
// after us, and restart). The menu is the dbusmenu object at `menuPath`.
// Main thread only; the connection must outlive the item.
class StatusNotifierItem {
 public:
  static constexpr const char* kPath = "/StatusNotifierItem";
  static constexpr const char* kInterface = "org.kde.StatusNotifierItem";
  static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";

  // Which click a host reported; hosts pass no modifier keys.
  enum class Click { primary, secondary };

  static std::expected<std::unique_ptr<StatusNotifierItem>, BusError> create(
      AsyncBusConnection& connection, std::string id, std::string title, std::string menuPath);
  ~StatusNotifierItem();
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  const std::string& busName() const { return busName_; }
  // Whether the watcher took the last registration.
  bool isRegistered() const { return registered_; }

  // The icon by theme name (hosts prefer it) with pixmaps for hosts or
  // themes without it; tells hosts to read it again.
  void setIcon(std::string name, std::vector<StatusIconPixmap> pixmaps);
  void setToolTip(std::string title, std::string text);
  // Whether a primary click opens the menu (ItemIsMenu) instead of reaching `onClick`.
  void setItemIsMenu(bool itemIsMenu) { itemIsMenu_ = itemIsMenu; }
  // Called for a primary click while the item is not a menu, and for every secondary click.
  void setOnClick(std::function<void(Click)> onClick) { onClick_ = std::move(onClick); }
  // Where the host last placed a click on the item, on the desktop (top left
  // origin), as it passes it with Activate, SecondaryActivate and ContextMenu;
  // none before the first.
  std::optional<Point> clickPosition() const { return clickPosition_; }

  // sd-bus handlers (named functions: the vtable macros take no lambdas).
  static int activate(sd_bus_message* message, void* self, sd_bus_error* error);
  static int secondaryActivate(sd_bus_message* message, void* self, sd_bus_error* error);
  static int contextMenu(sd_bus_message* message, void* self, sd_bus_error* error);
  static int scroll(sd_bus_message* message, void* self, sd_bus_error* error);
  static int property(sd_bus* bus, const char* path, const char* interface, const char* name,
                      sd_bus_message* reply, void* self, sd_bus_error* error);

 private:
  StatusNotifierItem(AsyncBusConnection& connection, std::string id, std::string title,
                     std::string menuPath);
  void registerWithWatcher();
  void announce(const char* signal);

  AsyncBusConnection& connection_;
  std::string id_;
  std::string title_;
  std::string menuPath_;
  std::string busName_;
  std::string iconName_;
  std::vector<StatusIconPixmap> pixmaps_;
  std::string toolTipTitle_;
  std::string toolTipText_;
  bool itemIsMenu_ = true;
  bool registered_ = false;
  std::optional<Point> clickPosition_;
  std::function<void(Click)> onClick_;
  BusSlot object_;
  BusSlot name_;
  BusSlot watcherMatch_;
  BusSlot registration_;
};

}  // namespace vigilix::platform
