#include "menubar/menu_header_model.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

using platform::fillPlaceholders;
using platform::localized;

std::optional<std::string> VGXMenuHeaderModel::automaticPauseText(
    const TriggerPause& pause, const StatusTextContext& context) {
  switch (pause.kind()) {
    case TriggerPause::Kind::until:
      return fillPlaceholders(localized("Paused until %@", "Automatic menu row for a timed pause"),
                              {AwakeStatusText::endTime(pause.date(), context)});
    case TriggerPause::Kind::none:
      return std::nullopt;
    case TriggerPause::Kind::untilResumed:
      return localized("Paused until you resume them",
                       "Automatic menu row when triggers are paused until Resume");
  }
  return std::nullopt;
}

}  // namespace vigilix
