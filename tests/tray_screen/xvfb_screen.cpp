#include "tray_screen/xvfb_screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cctype>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vigilix::testing {

namespace {

struct TopLevel {
  Window id;
  XWindowAttributes attributes;
};

std::vector<TopLevel> mappedTopLevels(Display* display) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  std::vector<TopLevel> found;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
    return found;
  }
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) != 0 &&
        attributes.map_state == IsViewable) {
      found.push_back({children[i], attributes});
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

// Windows of other clients come and go between two requests; Xlib's own
// handler would end the test process on the BadWindow that follows.
int ignoreError(Display*, XErrorEvent*) { return 0; }

}  // namespace

XvfbScreen::XvfbScreen(int width, int height)
    : server_(width, height), width_(width), height_(height) {
  displayVariable_.set("DISPLAY", server_.name());
  XSetErrorHandler(ignoreError);
  connection_ = XOpenDisplay(server_.name().c_str());
  if (connection_ == nullptr)
    throw std::runtime_error("cannot open " + server_.name() + ":\n" + log());
}

XvfbScreen::~XvfbScreen() {
  if (connection_ != nullptr) XCloseDisplay(connection_);
}

Screenshot XvfbScreen::capture() const {
  Screenshot shot;
  XImage* image =
      XGetImage(connection_, DefaultRootWindow(connection_), 0, 0, static_cast<unsigned>(width_),
                static_cast<unsigned>(height_), AllPlanes, ZPixmap);
  if (image == nullptr) return shot;
  shot.width = width_;
  shot.height = height_;
  shot.rgb.reserve(static_cast<std::size_t>(width_) * height_ * 3);
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
  for (int y = 0; y < height_; ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(image->data) +
                      static_cast<std::size_t>(y) * static_cast<std::size_t>(image->bytes_per_line);
    for (int x = 0; x < width_; ++x) {
      // The server's own layout read directly: XGetPixel per pixel is slow
      // enough to matter when the screen is watched until it settles.
      unsigned long pixel = 0;
      if (direct) {
        const std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
        pixel = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
      } else {
        pixel = XGetPixel(image, x, y);
      }
      shot.rgb.push_back(static_cast<std::uint8_t>((pixel & image->red_mask) >> 16));
      shot.rgb.push_back(static_cast<std::uint8_t>((pixel & image->green_mask) >> 8));
      shot.rgb.push_back(static_cast<std::uint8_t>(pixel & image->blue_mask));
    }
  }
  XDestroyImage(image);
  return shot;
}

std::set<std::uint64_t> XvfbScreen::popupWindows() const {
  std::set<std::uint64_t> popups;
  for (const TopLevel& window : mappedTopLevels(connection_)) {
    if (window.attributes.override_redirect) popups.insert(window.id);
  }
  return popups;
}

namespace {

std::string titleOf(Display* display, Window window) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) == 0 || name == nullptr) return std::string();
  std::string title = name;
  XFree(name);
  return title;
}

}  // namespace

std::vector<ScreenWindow> XvfbScreen::windowsOfClass(const std::string& className) const {
  std::vector<ScreenWindow> windows;
  for (const TopLevel& window : mappedTopLevels(connection_)) {
    XClassHint hint{};
    if (XGetClassHint(connection_, window.id, &hint) == 0) continue;
    const bool matches = (hint.res_class != nullptr && className == hint.res_class) ||
                         (hint.res_name != nullptr && className == hint.res_name);
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    if (!matches) continue;
    windows.push_back({ScreenBox{window.attributes.x, window.attributes.y, window.attributes.width,
                                 window.attributes.height},
                       titleOf(connection_, window.id), window.attributes.override_redirect != 0});
  }
  return windows;
}

std::optional<ScreenBox> XvfbScreen::windowOfClass(const std::string& className) const {
  const auto windows = windowsOfClass(className);
  if (windows.empty()) return std::nullopt;
  return windows.front().box;
}

std::string XvfbScreen::log() const { return server_.log(); }

}  // namespace vigilix::testing
