// A tray host played from a test: reads the menu an item exports and clicks its rows.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/tray_host.h"
#include "platform/dbus/async_bus_connection.h"

namespace vigilix::testing {

// The tray as a host sees it: the rows of the menu it would open (after
// AboutToShow, as hosts ask), one line each, submenus indented.
class TrayHost {
 public:
  explicit TrayHost(std::string item) : item_(std::move(item)) {}

  std::vector<std::string> menu() {
    call("AboutToShow", [](sd_bus_message* m) { return sd_bus_message_append(m, "i", 0); });
    std::vector<std::string> lines;
    call(
        "GetLayout",
        [](sd_bus_message* m) {
          const char* names[] = {"label", "toggle-state", "enabled", "type", nullptr};
          const int r = sd_bus_message_append(m, "ii", 0, -1);
          return r < 0 ? r : sd_bus_message_append_strv(m, const_cast<char**>(names));
        },
        [&](sd_bus_message* m) {
          std::uint32_t revision = 0;
          sd_bus_message_read(m, "u", &revision);
          readMenuLayout(m, 0, lines);
          return std::string();
        });
    return lines;
  }

  // Clicks the first row with `label` under the row before it in `path`.
  std::string click(const std::vector<std::string>& path) {
    const std::vector<std::string> rows = menu();
    std::size_t from = 0;
    std::optional<std::int32_t> id;
    for (const std::string& label : path) {
      id.reset();
      for (std::size_t at = from; at < rows.size() && !id; ++at) {
        const std::string& row = rows[at];
        if ((row + " ").find(" label=" + label + " ") == std::string::npos) continue;
        id = std::stoi(row.substr(row.find_first_not_of(' ')));
        from = at + 1;
      }
      if (!id) return "no row " + label;
    }
    return call("Event", [&](sd_bus_message* m) {
      return sd_bus_message_append(m, "isvu", *id, "clicked", "s", "", 0U);
    });
  }

  // The item's tooltip as "title / text".
  std::string toolTip() {
    return callAsHost(
        *host_, item_, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
        [](sd_bus_message* m) {
          return sd_bus_message_append(m, "ss", "org.kde.StatusNotifierItem", "ToolTip");
        },
        [](sd_bus_message* m) {
          const char* title = "";
          const char* text = "";
          sd_bus_message_enter_container(m, 'v', "(sa(iiay)ss)");
          sd_bus_message_enter_container(m, 'r', "sa(iiay)ss");
          sd_bus_message_skip(m, "sa(iiay)");
          sd_bus_message_read(m, "ss", &title, &text);
          return std::string(title) + " / " + text;
        });
  }

 private:
  std::string call(
      const char* member, const std::function<int(sd_bus_message*)>& append,
      const std::function<std::string(sd_bus_message*)>& read = [](sd_bus_message*) {
        return std::string();
      }) {
    return callAsHost(*host_, item_, "/MenuBar", "com.canonical.dbusmenu", member, append, read);
  }

  std::string item_;
  std::unique_ptr<platform::AsyncBusConnection> host_ = openSessionConnection();
};

}  // namespace vigilix::testing
