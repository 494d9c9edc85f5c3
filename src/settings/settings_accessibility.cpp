#include "settings/settings_accessibility.h"

#include "platform/ui/accessibility.h"

namespace vigilix::VGXAccessibility {

bool announceIfChanged(const platform::View& element, const std::string& message,
                       std::optional<std::string>& last) {
  if (last == message) return false;
  last = message;
  platform::AccessibilityCenter::postAnnouncement(element, message,
                                                  platform::AccessibilityPriority::High);
  return true;
}

}  // namespace vigilix::VGXAccessibility
