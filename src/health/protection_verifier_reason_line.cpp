#include "health/protection_verifier.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/locale/date_formatter.h"

namespace vigilix {

namespace {

std::string sleptAtLine(const VGXIncident& incident) {
  platform::DateFormatter formatter;
  formatter.setDateFormat("h:mm a");
  std::string line = platform::fillPlaceholders(
      platform::localized("Your computer slept at %@ while Vigilix was keeping it awake",
                          "Menu header: the computer slept while kept awake; %@ is the time"),
      {formatter.stringFromDate(incident.at)});
  switch (incident.cause) {
    case VGXIncident::Cause::lidClosed:
      return line + platform::localized(" \u2014 the lid was closed",
                                        "Menu header: why the computer slept");
    case VGXIncident::Cause::batteryCritical:
      return line + platform::localized(" \u2014 the battery was critically low",
                                        "Menu header: why the computer slept");
    case VGXIncident::Cause::thermalCritical:
      return line + platform::localized(" \u2014 your computer was critically hot",
                                        "Menu header: why the computer slept");
    default:
      return line;
  }
}

}  // namespace

std::optional<std::string> VGXProtectionVerifier::reasonLine() const {
  if (state_.needsAttention()) return state_.headerText();
  std::optional<VGXIncident> first;
  {
    std::lock_guard guard(incidentLog_.lock());
    for (VGXIncident& incident : incidentLog_.load()) {
      if (!incident.acknowledged && incident.cause != VGXIncident::Cause::expectedPause) {
        first = std::move(incident);
        break;
      }
    }
  }
  if (!first) return state_.headerText();
  if (first->kind == VGXIncident::Kind::protectionLost) {
    return platform::localized("Vigilix couldn't keep your computer awake",
                               "Menu header: the keep-awake protection was lost");
  }
  return sleptAtLine(*first);
}

}  // namespace vigilix
