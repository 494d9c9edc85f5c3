#include "settings/triggers/triggers_live_footer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/menubar/pinned_text_test_fixture.h"

namespace vigilix {
namespace {

class LiveFooterTest : public testing::PinnedTextTest {};

TEST_F(LiveFooterTest, PauseThenFirstReasonThenIdle) {
  struct Row {
    const char* name;
    TriggerPause (*pause)(platform::Date now);
    std::vector<TriggerReason> reasons;
    std::string text;
  };
  const Row rows[] = {
      {"paused until later today shows only the time",
       [](platform::Date now) { return TriggerPause::until(now + 3600); },
       {TriggerReason::powerAdapter()},
       "Right now: paused until 4:25 PM"},
      {"paused until tomorrow shows date and time",
       [](platform::Date now) { return TriggerPause::until(now + 86400); },
       {},
       "Right now: paused until 12/11/26, 3:25 PM"},
      {"paused until resumed",
       [](platform::Date) { return TriggerPause::untilResumed(); },
       {TriggerReason::powerAdapter()},
       "Right now: paused until you resume"},
      {"the first reason names the condition",
       [](platform::Date) { return TriggerPause::none(); },
       {TriggerReason::appRunning("code"), TriggerReason::powerAdapter()},
       "Right now: Name of code is running"},
      {"nothing matches",
       [](platform::Date) { return TriggerPause::none(); },
       {},
       "Right now: no conditions match"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const StatusTextContext context = this->context();
    EXPECT_EQ(triggersLiveFooter(row.pause(context.now), row.reasons, context), row.text);
  }
}

}  // namespace
}  // namespace vigilix
