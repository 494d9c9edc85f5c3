// Any kept window frame text either reads as a frame of positive size or not
// at all; a frame read is fitted inside the screen, and its text reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ui/window.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vigilix::platform::Rect;
  using vigilix::platform::Window;
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto frame = Window::frameFromDescriptor(text);
  if (!frame) return 0;
  if (!(frame->width() > 0) || !(frame->height() > 0)) std::abort();
  const Rect screen(0, 0, 1440, 875);
  Rect fitted = Window::fittedOnScreen(*frame, {screen});
  if (fitted.minX() < screen.minX() || fitted.maxX() > screen.maxX() ||
      fitted.minY() < screen.minY() || fitted.maxY() > screen.maxY()) {
    std::abort();
  }
  if (fitted.width() >= 1 && fitted.height() >= 1 &&
      !Window::frameFromDescriptor(Window::frameDescriptor(fitted, screen))) {
    std::abort();
  }
  return 0;
}
