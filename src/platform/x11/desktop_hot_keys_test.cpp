#include "platform/x11/desktop_hot_keys.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(DesktopHotKeys, TheSessionDecidesWhereKeysCanBeGrabbed) {
  struct Row {
    const char* name;
    SessionVariables variables;
    HotKeySession session;
  };
  const Row rows[] = {
      {"X11 session", {":0", "", "x11"}, HotKeySession::X11},
      {"Wayland with XWayland's display", {":0", "wayland-0", "wayland"}, HotKeySession::Wayland},
      {"Wayland said by the session type alone", {":0", "", "wayland"}, HotKeySession::Wayland},
      {"X started from a console", {":1", "", "tty"}, HotKeySession::X11},
      {"no display at all", {"", "", "tty"}, HotKeySession::NoDisplay},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(hotKeySessionFor(row.variables), row.session);
  }
}

}  // namespace
}  // namespace vigilix::platform
