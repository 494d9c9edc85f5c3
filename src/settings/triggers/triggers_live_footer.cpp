#include "settings/triggers/triggers_live_footer.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

using platform::fillPlaceholders;
using platform::localized;

std::string triggersLiveFooter(const TriggerPause& pause, const std::vector<TriggerReason>& reasons,
                               const StatusTextContext& context) {
  switch (pause.kind()) {
    case TriggerPause::Kind::until:
      return fillPlaceholders(localized("Right now: paused until %@",
                                        "Triggers pane live footer when paused until a time"),
                              {AwakeStatusText::endTime(pause.date(), context)});
    case TriggerPause::Kind::untilResumed:
      return localized("Right now: paused until you resume",
                       "Triggers pane live footer when paused until resume");
    case TriggerPause::Kind::none:
      break;
  }
  if (reasons.empty())
    return localized("Right now: no conditions match", "Triggers pane live footer when idle");
  return fillPlaceholders(
      localized("Right now: %@", "Triggers pane live footer naming the matching condition"),
      {AwakeStatusText::reasonClause(reasons.front(), context)});
}

}  // namespace vigilix
