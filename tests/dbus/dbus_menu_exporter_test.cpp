// The menu exporter against a host played by a second connection on a private session bus.
#include "platform/tray/dbus_menu_exporter.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/tray_host.h"
#include "platform/buswire/match_rule.h"

namespace vigilix::testing {
namespace {

using platform::AsyncBusConnection;
using platform::BusReply;
using platform::DBusMenuExporter;
using platform::Menu;
using platform::MenuItem;

constexpr const char* kPath = "/MenuBar";

class DBusMenuExporterTest : public ::testing::Test {
 protected:
  DBusMenuExporterTest() {
    auto add = [&](const std::shared_ptr<Menu>& into, const std::string& title) {
      auto item = std::make_shared<MenuItem>(title);
      item->setAction([this, title](MenuItem&) { clicked.push_back(title); });
      into->addItem(item);
      return item;
    };
    auto header = add(menu, "Keep Awake");
    header->setCheckable(true);
    header->setState(platform::ControlStateValue::On);
    header->setDetailLines({"Until 9:10 AM"});
    menu->addItem(MenuItem::separatorItem());
    auto sub = std::make_shared<Menu>();
    add(sub, "Build_Tool");
    add(menu, "An App Quits")->setSubmenu(sub);
    add(menu, "Pause for 1 Hour")->setEnabled(false);
    add(menu, "Quit Vigilix")->setKeyEquivalent("q");
    auto made = DBusMenuExporter::create(*server, kPath, menu);
    if (!made) throw std::runtime_error(made.error().description());
    exporter = std::move(*made);
    host = openSessionConnection();
  }

  // Calls the menu on the exporter's connection; the reply is read by `read`,
  // an error answers its name.
  std::string call(const char* member, const std::function<int(sd_bus_message*)>& append,
                   const std::function<std::string(sd_bus_message*)>& read) {
    const char* name = sd_bus_get_unique_name(server->bus(), &name) >= 0 ? name : "";
    return callAsHost(*host, name, kPath, DBusMenuExporter::kInterface, member, append, read);
  }

  std::vector<std::string> layout(std::int32_t parent, std::int32_t depth,
                                  std::vector<const char*> names) {
    std::vector<std::string> lines;
    names.push_back(nullptr);
    const std::string error = call(
        "GetLayout",
        [&](sd_bus_message* m) {
          const int r = sd_bus_message_append(m, "ii", parent, depth);
          return r < 0 ? r : sd_bus_message_append_strv(m, const_cast<char**>(names.data()));
        },
        [&](sd_bus_message* m) {
          std::uint32_t revision = 0;
          sd_bus_message_read(m, "u", &revision);
          lines.push_back("revision " + std::to_string(revision));
          readMenuLayout(m, 0, lines);
          return std::string();
        });
    if (!error.empty()) lines.push_back(error);
    return lines;
  }

  PrivateSessionBus bus;
  std::unique_ptr<AsyncBusConnection> server = openSessionConnection();
  std::unique_ptr<AsyncBusConnection> host;
  std::shared_ptr<Menu> menu = std::make_shared<Menu>();
  std::unique_ptr<DBusMenuExporter> exporter;
  std::vector<std::string> clicked;
};

TEST_F(DBusMenuExporterTest, LayoutCarriesTheMenusRows) {
  struct Row {
    const char* name;
    std::int32_t parent;
    std::int32_t depth;
    std::vector<const char*> names;
    std::vector<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"the whole tree",
       0,
       -1,
       {},
       {"revision 1", "0 children-display=submenu",
        "  1 label=Keep Awake toggle-state=1 toggle-type=checkmark",
        "  2 enabled=false label=Until 9:10 AM", "  3 type=separator",
        "  4 children-display=submenu label=An App Quits", "    5 label=Build__Tool",
        "  6 enabled=false label=Pause for 1 Hour", "  7 label=Quit Vigilix shortcut=Control+q"}},
      {"one level, labels only",
       0,
       1,
       {"label"},
       {"revision 1", "0", "  1 label=Keep Awake", "  2 label=Until 9:10 AM", "  3",
        "  4 label=An App Quits", "  6 label=Pause for 1 Hour", "  7 label=Quit Vigilix"}},
      {"a submenu alone", 4, 0, {"label"}, {"revision 1", "4 label=An App Quits"}},
      {"a row that does not exist", 99, -1, {}, {"org.freedesktop.DBus.Error.InvalidArgs"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(layout(row.parent, row.depth, row.names), row.expected);
  }
}

TEST_F(DBusMenuExporterTest, ClicksRunTheItemsAction) {
  auto event = [&](std::int32_t id, const char* what) {
    return call(
        "Event",
        [&](sd_bus_message* m) { return sd_bus_message_append(m, "isvu", id, what, "s", "", 0U); },
        [](sd_bus_message*) { return std::string("ok"); });
  };
  auto eventGroup = [&](std::int32_t id, const char* what) {
    return call(
        "EventGroup",
        [&](sd_bus_message* m) {
          return sd_bus_message_append(m, "a(isvu)", 2, id, what, "i", 0, 0U, 42, what, "i", 0, 0U);
        },
        [](sd_bus_message* m) {
          const void* ids = nullptr;
          std::size_t size = 0;
          sd_bus_message_read_array(m, 'i', &ids, &size);
          return "unknown " + std::to_string(size / sizeof(std::int32_t));
        });
  };
  struct Row {
    const char* name;
    std::function<std::string()> send;
    std::string answer;
    std::vector<std::string> clicked;
  };
  const std::vector<Row> rows = {
      {"a click", [&] { return event(1, "clicked"); }, "ok", {"Keep Awake"}},
      {"a click in a submenu", [&] { return event(5, "clicked"); }, "ok", {"Build_Tool"}},
      {"a hover", [&] { return event(1, "hovered"); }, "ok", {}},
      {"a disabled row", [&] { return event(6, "clicked"); }, "ok", {}},
      {"a detail line", [&] { return event(2, "clicked"); }, "ok", {}},
      {"an unknown row",
       [&] { return event(42, "clicked"); },
       "org.freedesktop.DBus.Error.InvalidArgs",
       {}},
      {"a group, one row unknown",
       [&] { return eventGroup(7, "clicked"); },
       "unknown 1",
       {"Quit Vigilix"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clicked.clear();
    EXPECT_EQ(row.send(), row.answer);
    EXPECT_EQ(clicked, row.clicked);
  }
}

TEST_F(DBusMenuExporterTest, ChangesAreAnnouncedAndOpeningRebuilds) {
  std::vector<std::string> signals;
  bool installed = false;
  auto record = [&](platform::BusArgumentReader& signal) {
    sd_bus_message* m = signal.raw();
    std::string line = sd_bus_message_get_member(m);
    if (line == "LayoutUpdated") {
      std::uint32_t revision = 0;
      std::int32_t parent = -1;
      sd_bus_message_read(m, "ui", &revision, &parent);
      line += " " + std::to_string(revision) + " " + std::to_string(parent);
    } else {
      sd_bus_message_enter_container(m, 'a', "(ia{sv})");
      while (sd_bus_message_enter_container(m, 'r', "ia{sv}") > 0) {
        std::int32_t id = 0;
        sd_bus_message_read(m, "i", &id);
        line += " " + std::to_string(id) + readMenuProperties(m);
        sd_bus_message_exit_container(m);
      }
    }
    signals.push_back(line);
  };
  auto match = host->addMatch(*platform::signalMatchRule({.sender = {},
                                                          .path = kPath,
                                                          .interface = DBusMenuExporter::kInterface,
                                                          .member = {},
                                                          .arg0 = std::nullopt}),
                              record, [&](const BusReply&) { installed = true; });
  ASSERT_TRUE(match.has_value());
  ASSERT_TRUE(runMainLoopUntil([&] { return installed; }));

  menu->items().front()->setState(platform::ControlStateValue::Off);
  exporter->menuDidChange();
  exporter->menuDidChange();  // nothing new: nothing sent
  exporter->setWillOpen([&] {
    menu->addItem(std::make_shared<MenuItem>("About Vigilix"));
    exporter->menuDidChange();
  });
  const std::string needsUpdate = call(
      "AboutToShow", [](sd_bus_message* m) { return sd_bus_message_append(m, "i", 0); },
      [](sd_bus_message* m) {
        int flag = 0;
        sd_bus_message_read(m, "b", &flag);
        return std::string(flag ? "update" : "as is");
      });
  EXPECT_EQ(needsUpdate, "update");
  ASSERT_TRUE(runMainLoopUntil([&] { return signals.size() >= 2; }));
  EXPECT_EQ(signals,
            (std::vector<std::string>{
                "ItemsPropertiesUpdated 1 label=Keep Awake toggle-state=0 toggle-type=checkmark",
                "LayoutUpdated 2 0"}));
  EXPECT_EQ(layout(0, 1, {"label"}).back(), "  8 label=About Vigilix");
}

// " name=value name=value" as read from the bus, by property name.
std::map<std::string, std::string> propertiesIn(const std::string& text) {
  static const std::regex name(" ([a-z-]+)=");
  std::map<std::string, std::string> out;
  std::vector<std::pair<std::string, std::size_t>> starts;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), name); it != std::sregex_iterator();
       ++it) {
    starts.emplace_back((*it)[1].str(), static_cast<std::size_t>(it->position() + it->length()));
  }
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t end =
        i + 1 < starts.size() ? starts[i + 1].second - starts[i + 1].first.size() - 2 : text.size();
    out[starts[i].first] = text.substr(starts[i].second, end - starts[i].second);
  }
  return out;
}

// A host keeps what it was told of each id, as libdbusmenu does: a layout
// read adds and replaces properties but never drops one; only
// ItemsPropertiesUpdated's removals do. After every change of shape the
// rows it holds must be exactly the menu's.
TEST_F(DBusMenuExporterTest, AHostThatKeepsWhatItWasToldSeesTheMenuAfterEveryChangeOfShape) {
  std::map<std::int32_t, std::map<std::string, std::string>> held;
  const auto readAll = [&] {
    std::map<std::int32_t, std::map<std::string, std::string>> rows;
    for (const std::string& line : layout(0, -1, {})) {
      if (!line.starts_with(" ")) continue;
      const std::size_t at = line.find_first_not_of(' ');
      const std::size_t end = line.find(' ', at);
      rows[std::stoi(line.substr(at))] =
          propertiesIn(end == std::string::npos ? "" : line.substr(end));
    }
    return rows;
  };
  const auto learn = [&] {
    for (auto& [id, properties] : readAll()) {
      for (auto& [name, value] : properties) held[id][name] = value;
    }
  };
  std::size_t updates = 0;
  bool installed = false;
  auto match = host->addMatch(
      *platform::signalMatchRule({.sender = {},
                                  .path = kPath,
                                  .interface = DBusMenuExporter::kInterface,
                                  .member = "ItemsPropertiesUpdated",
                                  .arg0 = std::nullopt}),
      [&](platform::BusArgumentReader& signal) {
        sd_bus_message* m = signal.raw();
        sd_bus_message_enter_container(m, 'a', "(ia{sv})");
        while (sd_bus_message_enter_container(m, 'r', "ia{sv}") > 0) {
          std::int32_t id = 0;
          sd_bus_message_read(m, "i", &id);
          for (auto& [name, value] : propertiesIn(readMenuProperties(m))) held[id][name] = value;
          sd_bus_message_exit_container(m);
        }
        sd_bus_message_exit_container(m);
        sd_bus_message_enter_container(m, 'a', "(ias)");
        while (sd_bus_message_enter_container(m, 'r', "ias") > 0) {
          std::int32_t id = 0;
          char** names = nullptr;
          sd_bus_message_read(m, "i", &id);
          sd_bus_message_read_strv(m, &names);
          for (char** name = names; name && *name; ++name) {
            held[id].erase(*name);
            free(*name);
          }
          free(names);
          sd_bus_message_exit_container(m);
        }
        ++updates;
      },
      [&](const BusReply&) { installed = true; });
  ASSERT_TRUE(match.has_value());
  ASSERT_TRUE(runMainLoopUntil([&] { return installed; }));
  learn();

  // The menu is rebuilt from these rows, as the status menu is: a title,
  // then "check", "q" (its shortcut) or a detail line.
  struct Item {
    const char* title;
    const char* mark = "";
    const char* detail = "";
  };
  struct Row {
    const char* name;
    std::vector<Item> items;
  };
  const Row rows[] = {
      {"the quit row gives way to rows without a shortcut",
       {{"Keep Awake", "check", "Until 9:10 AM"}, {"-"}, {"Dismiss"}, {"About Vigilix"}}},
      {"the check box row gives way to a plain one",
       {{"Check Health…"}, {"-"}, {"Dismiss"}, {"About Vigilix"}}},
      {"rows come back without their detail line",
       {{"Keep Awake", "check"}, {"-"}, {"Pause for 1 Hour"}, {"Quit Vigilix", "q"}}},
  };
  const auto rebuild = [&](const std::vector<Item>& items) {
    menu->removeAllItems();
    for (const Item& spec : items) {
      if (std::string_view(spec.title) == "-") {
        menu->addItem(MenuItem::separatorItem());
        continue;
      }
      auto item = std::make_shared<MenuItem>(spec.title);
      if (std::string_view(spec.mark) == "check") item->setCheckable(true);
      if (std::string_view(spec.mark) == "q") item->setKeyEquivalent("q");
      if (*spec.detail) item->setDetailLines({spec.detail});
      menu->addItem(item);
    }
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t before = updates;
    rebuild(row.items);
    exporter->menuDidChange();
    // The host reads the new layout; what it was sent beside it arrives first.
    runMainLoopUntil([&] { return updates > before; }, std::chrono::milliseconds(200));
    learn();
    const auto shown = readAll();
    for (const auto& [id, properties] : shown) {
      SCOPED_TRACE("row " + std::to_string(id));
      EXPECT_EQ(held[id], properties);
    }
  }
}

}  // namespace
}  // namespace vigilix::testing
