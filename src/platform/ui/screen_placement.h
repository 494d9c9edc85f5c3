#pragma once

#include <algorithm>
#include <vector>

#include "platform/ui/geometry.h"

namespace vigilix::platform {

// The models' screen coordinates have their origin at the main screen's lower
// left corner with y up; the desktop's at its upper left corner with y down.
// The same flip turns either into the other. `mainScreenBottom` is the main
// screen's lower edge in desktop coordinates.
inline Rect flippedScreenRect(Rect rect, double mainScreenBottom) {
  return Rect(rect.minX(), mainScreenBottom - rect.maxY(), rect.width(), rect.height());
}

// The area two rectangles share.
inline double overlapArea(Rect a, Rect b) {
  double w = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
  double h = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
  return w > 0 && h > 0 ? w * h : 0;
}

// `frame` moved onto the screen it overlaps most, else the first (the main
// one): wholly when it fits. One larger than the screen is shrunk to it when
// `shrink`, else keeps its minimum corner (the top left on the desktop, where
// the title bar is) on it.
inline Rect fittedOntoScreens(Rect frame, const std::vector<Rect>& screens, bool shrink) {
  if (screens.empty()) return frame;
  Rect screen = screens.front();
  double best = 0;
  for (const Rect& candidate : screens) {
    if (double shared = overlapArea(frame, candidate); shared > best)
      best = shared, screen = candidate;
  }
  double w = shrink ? std::min(frame.width(), screen.width()) : frame.width();
  double h = shrink ? std::min(frame.height(), screen.height()) : frame.height();
  double x = std::max(screen.minX(), std::min(frame.minX(), screen.maxX() - w));
  double y = std::max(screen.minY(), std::min(frame.minY(), screen.maxY() - h));
  return Rect(x, y, w, h);
}

}  // namespace vigilix::platform
