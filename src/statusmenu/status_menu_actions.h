#pragma once

#include "platform/ui/menu.h"

namespace vigilix {

class VGXMenuHeaderView;

// The target of the status menu's items: the application controller. Main
// thread only. Item actions get the item that was chosen; the two header
// operations get the header view whose switch was flipped.
class VGXStatusMenuActions {
 public:
  virtual ~VGXStatusMenuActions() = default;
  virtual void checkHealth(platform::MenuItem& sender) = 0;
  virtual void dismissAttention(platform::MenuItem& sender) = 0;
  virtual void toggleKeepAwake(platform::MenuItem& sender) = 0;
  virtual void startKeepAwakeFromHeader(VGXMenuHeaderView& sender) = 0;
  virtual void stopKeepAwakeFromHeader(VGXMenuHeaderView& sender) = 0;
  virtual void extendFifteenMinutes(platform::MenuItem& sender) = 0;
  virtual void keepAwakeUntil(platform::MenuItem& sender) = 0;
  virtual void watchDownload(platform::MenuItem& sender) = 0;
  // The sender's represented object is the process identifier.
  virtual void watchApp(platform::MenuItem& sender) = 0;
  virtual void toggleAllowDisplaySleep(platform::MenuItem& sender) = 0;
  virtual void toggleAutomation(platform::MenuItem& sender) = 0;
  virtual void pauseOrResumeTriggers(platform::MenuItem& sender) = 0;
  virtual void editTriggers(platform::MenuItem& sender) = 0;
  virtual void showSettingsWindow(platform::MenuItem& sender) = 0;
  virtual void showAboutVigilix(platform::MenuItem& sender) = 0;
  // The sender's represented object is the watch identifier string.
  virtual void stopWatch(platform::MenuItem& sender) = 0;
};

}  // namespace vigilix
