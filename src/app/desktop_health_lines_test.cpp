#include "app/desktop_health_lines.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace vigilix {
namespace {

using platform::SessionInhibitFailure;

TEST(DesktopHealthLinesTest, SayWhatTheDesktopDoesForKeepingAwake) {
  struct Row {
    const char* name;
    DesktopInhibited desktopInhibited;
    std::optional<bool> trayShown;
    std::vector<VGXHealthLine> lines;
  };
  const VGXHealthLine notAsked{"Desktop Inhibitor", "Not asked yet", VGXHealthSeverity::Ok,
                               std::nullopt};
  const VGXHealthLine shown{"Tray Icon", "Shown", VGXHealthSeverity::Ok, std::nullopt};
  const Row rows[] = {
      {"all well",
       std::expected<void, SessionInhibitFailure>{},
       true,
       {{"Desktop Inhibitor", "Taken", VGXHealthSeverity::Ok, std::nullopt}, shown}},
      {"nothing asked yet", std::nullopt, true, {notAsked, shown}},
      {"no desktop service: nothing refused",
       std::unexpected(SessionInhibitFailure::noService),
       true,
       {{"Desktop Inhibitor", "None on this desktop; logind's lock keeps the computer awake",
         VGXHealthSeverity::Ok, std::nullopt},
        shown}},
      {"the desktop refused",
       std::unexpected(SessionInhibitFailure::refused),
       true,
       {{"Desktop Inhibitor",
         "The desktop refused, so it may still dim the screen or sleep: turn off automatic "
         "suspend and screen blanking in its power settings while you need the computer awake",
         VGXHealthSeverity::Warning, std::nullopt},
        shown}},
      {"no tray host",
       std::nullopt,
       false,
       {notAsked,
        {"Tray Icon",
         "No tray host is running, so the menu cannot be opened: add a tray (status notifier) "
         "area to your panel, or use the vigilix command",
         VGXHealthSeverity::Warning, std::nullopt}}},
      {"no item served",
       std::nullopt,
       std::nullopt,
       {notAsked,
        {"Tray Icon", "Not served: no session bus; start Vigilix from your desktop session",
         VGXHealthSeverity::Warning, std::nullopt}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(desktopHealthLines(row.desktopInhibited, row.trayShown), row.lines);
  }
}

}  // namespace
}  // namespace vigilix
