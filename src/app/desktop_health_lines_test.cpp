#include "app/desktop_health_lines.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace vigilix {
namespace {

TEST(DesktopHealthLinesTest, SayWhatTheDesktopDoesForKeepingAwake) {
  struct Row {
    const char* name;
    std::optional<bool> desktopInhibited;
    std::optional<bool> trayShown;
    std::vector<VGXHealthLine> lines;
  };
  const VGXHealthLine notAsked{"Desktop Inhibitor", "Not asked yet", VGXHealthSeverity::Ok,
                               std::nullopt};
  const VGXHealthLine shown{"Tray Icon", "Shown", VGXHealthSeverity::Ok, std::nullopt};
  const Row rows[] = {
      {"all well",
       true,
       true,
       {{"Desktop Inhibitor", "Taken", VGXHealthSeverity::Ok, std::nullopt}, shown}},
      {"nothing asked yet", std::nullopt, true, {notAsked, shown}},
      {"the desktop refused",
       false,
       true,
       {{"Desktop Inhibitor", "The desktop refused; it may still dim the screen or sleep",
         VGXHealthSeverity::Warning, std::nullopt},
        shown}},
      {"no tray host",
       std::nullopt,
       false,
       {notAsked,
        {"Tray Icon", "No tray host is running; the menu cannot be opened",
         VGXHealthSeverity::Warning, std::nullopt}}},
      {"no item served",
       std::nullopt,
       std::nullopt,
       {notAsked,
        {"Tray Icon", "Not served: no session bus", VGXHealthSeverity::Warning, std::nullopt}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(desktopHealthLines(row.desktopInhibited, row.trayShown), row.lines);
  }
}

}  // namespace
}  // namespace vigilix
