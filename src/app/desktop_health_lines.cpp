#include "app/desktop_health_lines.h"

#include "app/app_controller.h"
#include "keepawake/health_registry.h"
#include "platform/base/localized.h"
#include "platform/power/logind_power_assertions.h"
#include "platform/power/power_assertions.h"

namespace vigilix {

std::vector<VGXHealthLine> desktopHealthLines(std::optional<bool> desktopInhibited,
                                              std::optional<bool> trayShown) {
  using platform::localized;
  VGXHealthLine desktop{
      localized("Desktop Inhibitor", "Health line title"),
      localized("Not asked yet", "Health line: no keep-awake asked of the desktop"),
      VGXHealthSeverity::Ok, std::nullopt};
  if (desktopInhibited == true) {
    desktop.detail = localized("Taken", "Health line: the desktop took the keep-awake request");
  } else if (desktopInhibited == false) {
    desktop.detail = localized("The desktop refused; it may still dim the screen or sleep",
                               "Health line: the desktop refused the keep-awake request");
    desktop.severity = VGXHealthSeverity::Warning;
  }
  VGXHealthLine tray{localized("Tray Icon", "Health line title"),
                     localized("Shown", "Health line: a tray host shows the icon"),
                     VGXHealthSeverity::Ok, std::nullopt};
  if (trayShown != true) {
    tray.detail =
        trayShown == false
            ? localized("No tray host is running; the menu cannot be opened",
                        "Health line: no tray host shows the icon")
            : localized("Not served: no session bus", "Health line: the icon could not be served");
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
