#include "platform/x11/desktop_session.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(DesktopSessionTest, TheSessionDecidesWhatTheDisplayShows) {
  struct Row {
    const char* name;
    SessionVariables variables;
    DesktopSession session;
  };
  const Row rows[] = {
      {"X11 session", {":0", "", "x11"}, DesktopSession::X11},
      {"Wayland with XWayland's display", {":0", "wayland-0", "wayland"}, DesktopSession::Wayland},
      {"Wayland said by the session type alone", {":0", "", "wayland"}, DesktopSession::Wayland},
      {"X started from a console", {":1", "", "tty"}, DesktopSession::X11},
      {"no display at all", {"", "", "tty"}, DesktopSession::NoDisplay},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(desktopSessionFor(row.variables), row.session);
  }
}

}  // namespace
}  // namespace vigilix::platform
