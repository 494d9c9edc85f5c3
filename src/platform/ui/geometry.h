#pragma once

#include <algorithm>

namespace vigilix::platform {

// Points, sizes and rectangles in points, as the view model lays them out.
struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

// A rectangle with its origin at its minimum corner.
struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(double x, double y, double width, double height)
      : origin{x, y}, size{width, height} {}
  constexpr Rect(Point o, Size s) : origin(o), size(s) {}

  double minX() const { return origin.x; }
  double minY() const { return origin.y; }
  double maxX() const { return origin.x + size.width; }
  double maxY() const { return origin.y + size.height; }
  double midX() const { return origin.x + size.width / 2; }
  double midY() const { return origin.y + size.height / 2; }
  double width() const { return size.width; }
  double height() const { return size.height; }

  // Half-open on the maximum edges, like a hit test on the screen.
  bool contains(Point p) const {
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
  }
  Rect insetBy(double dx, double dy) const {
    return Rect(origin.x + dx, origin.y + dy, std::max(0.0, size.width - 2 * dx),
                std::max(0.0, size.height - 2 * dy));
  }
  bool operator==(const Rect&) const = default;
};

}  // namespace vigilix::platform
