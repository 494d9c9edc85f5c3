#pragma once

#include <memory>

#include "platform/ui/view.h"

namespace vigilix {

// A pane the settings window hosts but does not build: it hears when it
// comes on screen and when it leaves, so it runs its live work only between.
class VGXSettingsPaneContent {
 public:
  virtual ~VGXSettingsPaneContent() = default;
  virtual const std::shared_ptr<platform::View>& paneView() const = 0;
  virtual void paneDidAppear() = 0;
  virtual void paneDidDisappear() = 0;
};

}  // namespace vigilix
