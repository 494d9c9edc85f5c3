#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/exported_object.h"
#include "platform/tray/dbus_menu_layout.h"
#include "platform/ui/menu.h"

namespace vigilix::platform {

// Serves a menu as com.canonical.dbusmenu at an object path, so a tray host
// draws it and sends clicks back. A "clicked" event runs the item's action
// (when it is enabled) on the main thread, where the connection dispatches.
// The owner changes the menu and then calls menuDidChange. Main thread only;
// the connection must outlive the exporter.
class DBusMenuExporter {
 public:
  static constexpr const char* kInterface = "com.canonical.dbusmenu";

  static std::expected<std::unique_ptr<DBusMenuExporter>, BusError> create(
      AsyncBusConnection& connection, std::string path, std::shared_ptr<Menu> root);
  ~DBusMenuExporter();
  DBusMenuExporter(const DBusMenuExporter&) = delete;
  DBusMenuExporter& operator=(const DBusMenuExporter&) = delete;

  // Re-reads the menu: rows that stay and changed are sent in
  // ItemsPropertiesUpdated; a new shape then bumps the revision and sends
  // LayoutUpdated.
  void menuDidChange();
  // Called when the host is about to show the root menu, before it reads
  // the layout (the owner rebuilds there).
  void setWillOpen(std::function<void()> willOpen) { willOpen_ = std::move(willOpen); }
  // Called when the host reports that it closed the root menu.
  void setDidClose(std::function<void()> didClose) { didClose_ = std::move(didClose); }

  const std::string& path() const { return path_; }
  std::uint32_t revision() const { return revision_; }
  const DBusMenuLayout& layout() const { return layout_; }

 private:
  DBusMenuExporter(AsyncBusConnection& connection, std::string path, std::shared_ptr<Menu> root);
  BusInterfaceTable table();
  static std::vector<BusProperty> properties();

  // The methods hosts call.
  void getLayout(BusArgumentReader& in, const BusMethodCall& call) const;
  void getGroupProperties(BusArgumentReader& in, const BusMethodCall& call) const;
  void getProperty(BusArgumentReader& in, const BusMethodCall& call) const;
  void event(BusArgumentReader& in, const BusMethodCall& call);
  void eventGroup(BusArgumentReader& in, const BusMethodCall& call);
  void aboutToShow(BusArgumentReader& in, const BusMethodCall& call);
  void aboutToShowGroup(BusArgumentReader& in, const BusMethodCall& call);

  // A click runs the row's action and the root's "closed" tells the owner;
  // other events and unknown rows do nothing.
  void handleEvent(std::int32_t id, const std::string& eventID);
  void announceProperties(
      const std::vector<const DBusMenuRow*>& updated,
      const std::vector<std::pair<std::int32_t, std::vector<std::string>>>& removed);
  // Whether the host must read the layout again after the owner's rebuild.
  bool prepareToShow(std::int32_t id);

  AsyncBusConnection& connection_;
  std::string path_;
  std::shared_ptr<Menu> root_;
  DBusMenuLayout layout_;
  std::uint32_t revision_ = 1;
  std::function<void()> willOpen_;
  std::function<void()> didClose_;
  BusSlot object_;
};

}  // namespace vigilix::platform
