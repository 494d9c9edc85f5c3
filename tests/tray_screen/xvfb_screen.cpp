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

// The display number Xvfb wrote once it listens: digits and a newline.
std::optional<std::string> announcedDisplay(const std::filesystem::path& file) {
  const std::string text = readFile(file);
  if (text.empty() || text.back() != '\n') return std::nullopt;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
  }
  return ":" + text.substr(0, text.size() - 1);
}

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

XvfbScreen::XvfbScreen(const std::filesystem::path& folder, int width, int height)
    : folder_(folder), width_(width), height_(height) {
  const std::filesystem::path numberFile = folder_ / "xvfb-display";
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  // The shell only opens the file for the display number, then becomes the server.
  server_.emplace(std::vector<std::string>{"/bin/sh", "-c",
                                           "exec /usr/bin/Xvfb -displayfd 3 -screen 0 " + screen +
                                               " -nolisten tcp 3>\"$0\"",
                                           numberFile.string()},
                  folder_ / "xvfb.log");
  std::optional<std::string> number;
  waitUntil([&] {
    number = announcedDisplay(numberFile);
    return number.has_value() || !server_->running();
  });
  if (!number) throw std::runtime_error("Xvfb did not start:\n" + log());
  display_ = *number;
  displayVariable_.set("DISPLAY", display_);
  XSetErrorHandler(ignoreError);
  connection_ = XOpenDisplay(display_.c_str());
  if (connection_ == nullptr) throw std::runtime_error("cannot open " + display_ + ":\n" + log());
}

XvfbScreen::~XvfbScreen() {
  if (connection_ != nullptr) XCloseDisplay(connection_);
  server_.reset();
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

std::optional<ScreenBox> XvfbScreen::windowOfClass(const std::string& className) const {
  for (const TopLevel& window : mappedTopLevels(connection_)) {
    XClassHint hint{};
    if (XGetClassHint(connection_, window.id, &hint) == 0) continue;
    const bool matches = hint.res_class != nullptr && className == hint.res_class;
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    if (matches) {
      return ScreenBox{window.attributes.x, window.attributes.y, window.attributes.width,
                       window.attributes.height};
    }
  }
  return std::nullopt;
}

std::string XvfbScreen::log() const { return readFile(folder_ / "xvfb.log"); }

}  // namespace vigilix::testing
