// Windows' frames kept between runs under their autosave names, and the
// screens they are fitted onto.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "platform/base/logger.h"
#include "platform/defaults/user_defaults.h"
#include "platform/ui/screen_placement.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"
#include "platform/ui/window_rendering.h"

namespace vigilix::platform {

namespace {

const Rect kModelScreen(0, 0, 1440, 875);

// Screens set by a test, which win over the desktop's.
std::vector<Rect>& pinnedScreens() {
  static std::vector<Rect> frames;
  return frames;
}

// Every live window, to find one by its autosave name. Main thread only.
std::vector<Window*>& liveWindows() {
  static std::vector<Window*> windows;
  return windows;
}

}  // namespace

std::vector<Rect> Window::screenVisibleFrames() {
  if (!pinnedScreens().empty()) return pinnedScreens();
  std::vector<Rect> desktop = WindowRendering::screenVisibleFrames();
  return desktop.empty() ? std::vector<Rect>{kModelScreen} : desktop;
}

void Window::setScreenVisibleFrames(std::vector<Rect> frames) {
  pinnedScreens() = std::move(frames);
}

void Window::registerLiveWindow(Window* window) { liveWindows().push_back(window); }

void Window::unregisterLiveWindow(Window* window) { std::erase(liveWindows(), window); }

std::vector<Window*> Window::windowsWithFrameAutosaveName(const std::string& name) {
  std::vector<Window*> found;
  if (name.empty()) return found;
  for (Window* window : liveWindows()) {
    if (window->frameAutosaveName_ == name) found.push_back(window);
  }
  return found;
}

std::string Window::frameDefaultsKey(const std::string& name) { return "NSWindow Frame " + name; }

std::string Window::frameDescriptor(Rect frame, Rect screen) {
  std::string text;
  for (double value : {frame.minX(), frame.minY(), frame.width(), frame.height(), screen.minX(),
                       screen.minY(), screen.width(), screen.height()}) {
    char buffer[32];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, std::lround(value)).ptr;
    text.append(buffer, end);
    text += ' ';
  }
  return text;
}

std::optional<Rect> Window::frameFromDescriptor(const std::string& text) {
  std::vector<double> values;
  const char* at = text.data();
  const char* end = at + text.size();
  while (at < end && values.size() < 8) {
    while (at < end && *at == ' ') ++at;
    if (at == end) break;
    double value = 0;
    auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    values.push_back(value);
    at = next;
    if (at < end && *at != ' ') return std::nullopt;
  }
  if (values.size() < 4 || values[2] <= 0 || values[3] <= 0) return std::nullopt;
  return Rect(values[0], values[1], values[2], values[3]);
}

Rect Window::fittedOnScreen(Rect frame, const std::vector<Rect>& candidates) {
  return fittedOntoScreens(frame, candidates.empty() ? screenVisibleFrames() : candidates, true);
}

bool Window::setFrameAutosaveName(const std::string& name) {
  if (name == frameAutosaveName_) return true;
  for (Window* other : windowsWithFrameAutosaveName(name)) {
    if (other != this) return false;
  }
  frameAutosaveName_ = name;
  if (name.empty()) return true;
  auto& defaults = UserDefaults::standard();
  const std::string key = frameDefaultsKey(name);
  if (auto kept = defaults.object(key)) {
    const auto* text = std::get_if<std::string>(&kept->value);
    auto frame = text ? frameFromDescriptor(*text) : std::nullopt;
    if (!frame) {
      Logger("Windows").error(
          "The kept frame of window \"{}\" cannot be read; the window opens where it is.", name);
      return true;
    }
    frame_ = fittedOnScreen(*frame, screenVisibleFrames());
    framePlaced_ = true;
    if (contentView_) {
      Rect content = contentRect();
      contentView_->setFrame(Rect(0, 0, content.width(), content.height()));
    }
    WindowRendering::windowDidChange(*this);
  }
  return true;
}

void Window::saveFrame() const {
  if (frameAutosaveName_.empty()) return;
  const std::vector<Rect> screens = screenVisibleFrames();
  Rect screen = fittedOnScreen(frame_, screens);
  // The screen the frame is on, for a later run to tell where it was.
  Rect on = screens.front();
  for (const Rect& candidate : screens) {
    if (overlapArea(screen, candidate) > 0) on = candidate;
  }
  UserDefaults::standard().set(frameDefaultsKey(frameAutosaveName_), frameDescriptor(frame_, on));
}

}  // namespace vigilix::platform
