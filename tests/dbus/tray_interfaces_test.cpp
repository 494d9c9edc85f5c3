// The tray's two objects as a host's introspection sees them: every method, property and signal
// with its types and annotations, which hosts rely on and which must not drift.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <memory>
#include <regex>
#include <string>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/tray_host.h"
#include "platform/tray/dbus_menu_exporter.h"
#include "platform/tray/status_notifier_item.h"

namespace vigilix::testing {
namespace {

using platform::DBusMenuExporter;
using platform::StatusNotifierItem;

// The <interface> element of `interface` in the object's introspection, one element a line.
std::string introspected(platform::AsyncBusConnection& host, const std::string& destination,
                         const char* path, const std::string& interface) {
  const std::string xml = callAsHost(
      host, destination, path, "org.freedesktop.DBus.Introspectable", "Introspect",
      [](sd_bus_message*) { return 0; },
      [](sd_bus_message* m) {
        const char* text = nullptr;
        return sd_bus_message_read(m, "s", &text) > 0 ? std::string(text) : std::string();
      });
  const std::string open = "<interface name=\"" + interface + "\">";
  const std::size_t start = xml.find(open);
  if (start == std::string::npos) return "no " + interface;
  const std::size_t end = xml.find("</interface>", start);
  const std::string element = xml.substr(start, end - start);
  return std::regex_replace(std::regex_replace(element, std::regex(R"(>\s*<)"), ">\n<"),
                            std::regex(R"(\s+$)"), "");
}

TEST(TrayInterfacesTest, HostsSeeTheSameMethodsPropertiesAndSignals) {
  PrivateSessionBus bus;
  auto server = openSessionConnection();
  auto host = openSessionConnection();
  auto item = StatusNotifierItem::create(*server, "vigilix", "Vigilix", "/MenuBar");
  ASSERT_TRUE(item.has_value()) << item.error().description();
  auto menu = DBusMenuExporter::create(*server, "/MenuBar", std::make_shared<platform::Menu>());
  ASSERT_TRUE(menu.has_value()) << menu.error().description();
  ASSERT_TRUE(runMainLoopUntil([&] { return bus.hasOwner((*item)->busName()); }));
  const std::string name = (*item)->busName();

  struct Row {
    const char* name;
    const char* path;
    const char* interface;
    std::string expected;
  };
  const Row rows[] = {
      {"the status notifier item", StatusNotifierItem::kPath, StatusNotifierItem::kInterface,
       R"xml(<interface name="org.kde.StatusNotifierItem">
<method name="Activate">
<arg type="i" direction="in"/>
<arg type="i" direction="in"/>
</method>
<method name="SecondaryActivate">
<arg type="i" direction="in"/>
<arg type="i" direction="in"/>
</method>
<method name="ContextMenu">
<arg type="i" direction="in"/>
<arg type="i" direction="in"/>
</method>
<method name="Scroll">
<arg type="i" direction="in"/>
<arg type="s" direction="in"/>
</method>
<property name="Category" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="Id" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="Title" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="Status" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="WindowId" type="i" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="IconName" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="IconThemePath" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="IconPixmap" type="a(iiay)" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="OverlayIconName" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="OverlayIconPixmap" type="a(iiay)" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="AttentionIconName" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="AttentionIconPixmap" type="a(iiay)" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="AttentionMovieName" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="ToolTip" type="(sa(iiay)ss)" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="ItemIsMenu" type="b" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<property name="Menu" type="o" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
</property>
<signal name="NewTitle">
</signal>
<signal name="NewIcon">
</signal>
<signal name="NewAttentionIcon">
</signal>
<signal name="NewOverlayIcon">
</signal>
<signal name="NewToolTip">
</signal>
<signal name="NewStatus">
<arg type="s"/>
</signal>)xml"},
      {"the menu", "/MenuBar", DBusMenuExporter::kInterface,
       R"xml(<interface name="com.canonical.dbusmenu">
<method name="GetLayout">
<arg type="i" direction="in"/>
<arg type="i" direction="in"/>
<arg type="as" direction="in"/>
<arg type="u" direction="out"/>
<arg type="(ia{sv}av)" direction="out"/>
</method>
<method name="GetGroupProperties">
<arg type="ai" direction="in"/>
<arg type="as" direction="in"/>
<arg type="a(ia{sv})" direction="out"/>
</method>
<method name="GetProperty">
<arg type="i" direction="in"/>
<arg type="s" direction="in"/>
<arg type="v" direction="out"/>
</method>
<method name="Event">
<arg type="i" direction="in"/>
<arg type="s" direction="in"/>
<arg type="v" direction="in"/>
<arg type="u" direction="in"/>
</method>
<method name="EventGroup">
<arg type="a(isvu)" direction="in"/>
<arg type="ai" direction="out"/>
</method>
<method name="AboutToShow">
<arg type="i" direction="in"/>
<arg type="b" direction="out"/>
</method>
<method name="AboutToShowGroup">
<arg type="ai" direction="in"/>
<arg type="ai" direction="out"/>
<arg type="ai" direction="out"/>
</method>
<property name="Version" type="u" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="const"/>
</property>
<property name="TextDirection" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="const"/>
</property>
<property name="Status" type="s" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="const"/>
</property>
<property name="IconThemePath" type="as" access="read">
<annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="const"/>
</property>
<signal name="ItemsPropertiesUpdated">
<arg type="a(ia{sv})"/>
<arg type="a(ias)"/>
</signal>
<signal name="LayoutUpdated">
<arg type="u"/>
<arg type="i"/>
</signal>
<signal name="ItemActivationRequested">
<arg type="i"/>
<arg type="u"/>
</signal>)xml"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(introspected(*host, name, row.path, row.interface), row.expected);
  }
}

}  // namespace
}  // namespace vigilix::testing
