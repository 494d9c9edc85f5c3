#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vigilix::testing {

// A rectangle in screen pixels.
struct ScreenBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int centerX() const { return x + width / 2; }
  int centerY() const { return y + height / 2; }
  bool operator==(const ScreenBox&) const = default;
};

// What differs between two shots of the same size inside an area: the
// count of pixels whose colour moved by more than a tolerance, and the box
// around them (none when nothing did).
struct ScreenChange {
  int pixels = 0;
  std::optional<ScreenBox> box;
};

// A picture of the screen: 8-bit RGB, rows top to bottom.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  // `within` is clipped to the picture; shots of other sizes differ everywhere.
  // A channel moving by `tolerance` or less is the same colour, so
  // antialiasing noise of a theme does not count.
  ScreenChange changeFrom(const Screenshot& before, ScreenBox within, int tolerance = 24) const;
  // Writes a PNG; the error text when it cannot.
  std::optional<std::string> savePng(const std::filesystem::path& path) const;
};

}  // namespace vigilix::testing
