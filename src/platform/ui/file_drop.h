#pragma once

#include <string>
#include <vector>

#include "platform/ui/geometry.h"

namespace vigilix::platform {

class Window;

// A view that takes files dropped on it.
class FileDropTarget {
 public:
  virtual ~FileDropTarget() = default;
  // The local paths dropped; true when the view takes the drop.
  virtual bool performFileDrop(const std::vector<std::string>& paths) = 0;
};

// Files dropped at a place in `window`: offered to the view there, then to
// the views it sits in, until a drop target takes them. False when none
// does, or the window takes no events now.
bool dropFiles(Window& window, Point locationInWindow, const std::vector<std::string>& paths);

}  // namespace vigilix::platform
