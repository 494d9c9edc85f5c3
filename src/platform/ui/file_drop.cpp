#include "platform/ui/file_drop.h"

#include "platform/ui/view.h"
#include "platform/ui/window.h"

namespace vigilix::platform {

bool dropFiles(Window& window, Point locationInWindow, const std::vector<std::string>& paths) {
  const auto content = window.contentView();
  if (!window.acceptsEvents() || !content || paths.empty()) return false;
  for (View* view = content->hitTest(locationInWindow); view; view = view->superview()) {
    if (auto* target = dynamic_cast<FileDropTarget*>(view);
        target && target->performFileDrop(paths))
      return true;
  }
  return false;
}

}  // namespace vigilix::platform
