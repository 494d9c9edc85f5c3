#pragma once

#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

namespace vigilix::platform {

struct PointerPosition {
  double x = 0;
  double y = 0;
  bool operator==(const PointerPosition&) const = default;
};

// One screen of the display, in root-window pixels.
struct ScreenArea {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  bool asleep = false;  // the monitor's power is saved (DPMS standby, suspend or off)
};

// The pointer of an X display: where it is, and synthetic moves through the
// XTest extension, which the server treats as the user's own input. Its own
// connection; main thread only. A lost display gives no reading and posts
// nothing from then on.
class X11Pointer final {
 public:
  // The reason when the display cannot be reached or has no XTest extension.
  static std::expected<std::unique_ptr<X11Pointer>, std::string> open(
      const std::string& displayName);
  ~X11Pointer();
  X11Pointer(const X11Pointer&) = delete;
  X11Pointer& operator=(const X11Pointer&) = delete;

  std::optional<PointerPosition> position();
  // False when the move could not be handed to the server.
  bool moveTo(PointerPosition position);
  // The default screen; none when the display is gone.
  std::optional<std::vector<ScreenArea>> screens();

 private:
  explicit X11Pointer(_XDisplay* display);
  static void displayLost(_XDisplay* display, void* pointer);

  _XDisplay* display_;
  bool lost_ = false;
};

}  // namespace vigilix::platform
