#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/date.h"

namespace vigilix {

// The panels in which the user chooses what the hub does next. Each
// completion runs only when the user confirms.
class HubPickers {
 public:
  virtual ~HubPickers() = default;
  // A custom duration, in seconds.
  virtual void presentDuration(std::function<void(double seconds)> chosen) = 0;
  // A time to keep awake until.
  virtual void presentUntil(std::function<void(platform::Date date)> chosen) = 0;
  // Files and folders to watch, starting in the Downloads folder.
  virtual void presentDownloadPanel(std::function<void(std::vector<std::string> paths)> chosen) = 0;
};

}  // namespace vigilix
