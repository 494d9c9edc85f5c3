#include "app/desktop_health_lines.h"

#include "app/app_controller.h"
#include "keepawake/health_registry.h"
#include "platform/base/localized.h"
#include "platform/power/logind_power_assertions.h"
#include "platform/power/power_assertions.h"

namespace vigilix {

std::vector<VGXHealthLine> desktopHealthLines(DesktopInhibited desktopInhibited,
                                              std::optional<bool> trayShown) {
  using platform::localized;
  VGXHealthLine desktop{
      localized("Desktop Inhibitor", "Health line title"),
      localized("Not asked yet", "Health line: no keep-awake asked of the desktop"),
      VGXHealthSeverity::Ok, std::nullopt};
  using platform::SessionInhibitFailure;
  if (desktopInhibited && *desktopInhibited) {
    desktop.detail = localized("Taken", "Health line: the desktop took the keep-awake request");
  } else if (desktopInhibited && desktopInhibited->error() == SessionInhibitFailure::noService) {
    desktop.detail = localized("None on this desktop; logind's lock keeps the computer awake",
                               "Health line: no desktop service takes keep-awake requests");
  } else if (desktopInhibited) {
    desktop.detail = localized(
        "The desktop refused, so it may still dim the screen or sleep: turn off automatic "
        "suspend and screen blanking in its power settings while you need the computer awake",
        "Health line: the desktop refused the keep-awake request");
    desktop.severity = VGXHealthSeverity::Warning;
  }
  VGXHealthLine tray{localized("Tray Icon", "Health line title"),
                     localized("Shown", "Health line: a tray host shows the icon"),
                     VGXHealthSeverity::Ok, std::nullopt};
  if (trayShown != true) {
    tray.detail =
        trayShown == false
            ? localized(
                  "No tray host is running, so the menu cannot be opened: add a tray "
                  "(status notifier) area to your panel, or use the vigilix command",
                  "Health line: no tray host shows the icon")
            : localized("Not served: no session bus; start Vigilix from your desktop session",
                        "Health line: the icon could not be served");
    tray.severity = VGXHealthSeverity::Warning;
  }
  return {desktop, tray};
}

void registerDesktopHealthLines(std::weak_ptr<DZLAppController> controller) {
  VGXHealthRegistry::registerProvider([controller] {
    const auto* logind =
        dynamic_cast<const platform::LogindPowerAssertions*>(&platform::PowerAssertions::current());
    std::optional<bool> trayShown;
    if (const auto self = controller.lock(); self && self->statusItemController()) {
      trayShown = self->statusItemController()->item().isRegistered();
    }
    return desktopHealthLines(logind ? logind->desktopInhibited() : std::nullopt, trayShown);
  });
}

}  // namespace vigilix
