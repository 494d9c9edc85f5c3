#include "platform/tray/status_icon_art.h"

#include <fmt/format.h>

#include <array>
#include <cmath>

namespace vigilix::platform {
namespace {

// Drawn on a 16-unit square, y down (as SVG).
constexpr double kCanvas = 16;
// The eye: the region inside two circles whose centres lie `offset` above
// and below the middle; its outline is the ring between a wider and a
// narrower such lens.
constexpr double kLensRadius = 7.4;
constexpr double kLensOffset = 2.4;
constexpr double kStroke = 1.5;
constexpr double kPupil = 2.5;
// The stroke through an idle eye, corner to corner, and the attention badge.
constexpr std::array<std::array<double, 2>, 4> kSlash = {
    {{1.5, 13.4}, {13.4, 1.5}, {14.5, 2.6}, {2.6, 14.5}}};
constexpr double kBadgeX = 13;
constexpr double kBadgeY = 3;
constexpr double kBadgeRadius = 3;

bool inLens(double x, double y, double radius) {
  const double dx = x - kCanvas / 2;
  return std::hypot(dx, y - (kCanvas / 2 - kLensOffset)) <= radius &&
         std::hypot(dx, y - (kCanvas / 2 + kLensOffset)) <= radius;
}

bool inSlash(double x, double y) {
  // Convex, corners in order: inside when on the same side of every edge.
  int sign = 0;
  for (std::size_t i = 0; i < kSlash.size(); ++i) {
    const auto& a = kSlash[i];
    const auto& b = kSlash[(i + 1) % kSlash.size()];
    const double cross = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
    const int side = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
    if (side == 0) continue;
    if (sign == 0) sign = side;
    if (side != sign) return false;
  }
  return true;
}

bool covers(StatusGlyph glyph, double x, double y) {
  const bool ring =
      inLens(x, y, kLensRadius + kStroke / 2) && !inLens(x, y, kLensRadius - kStroke / 2);
  if (ring || std::hypot(x - kCanvas / 2, y - kCanvas / 2) <= kPupil) return true;
  if (glyph == StatusGlyph::idle) return inSlash(x, y);
  if (glyph == StatusGlyph::attention) {
    return std::hypot(x - kBadgeX, y - kBadgeY) <= kBadgeRadius;
  }
  return false;
}

// A closed lens path: its corners lie where the two circles meet.
std::string lensPath(double radius) {
  const double half = std::sqrt(radius * radius - kLensOffset * kLensOffset);
  const double left = kCanvas / 2 - half;
  const double right = kCanvas / 2 + half;
  return fmt::format("M{:.3f} 8A{:.3f} {:.3f} 0 0 1 {:.3f} 8A{:.3f} {:.3f} 0 0 1 {:.3f} 8Z", left,
                     radius, radius, right, radius, radius, left);
}

std::string circle(double x, double y, double radius) {
  return fmt::format(R"(<circle cx="{:g}" cy="{:g}" r="{:g}"/>)", x, y, radius);
}

}  // namespace

std::uint32_t statusGlyphColor(StatusGlyph glyph) {
  switch (glyph) {
    case StatusGlyph::awake:
      return 0xFF3C9A5F;
    case StatusGlyph::idle:
      return 0xFF808080;
    case StatusGlyph::attention:
      return 0xFFE0A030;
  }
  return 0xFF808080;
}

std::string statusIconName(StatusGlyph glyph, bool symbolic) {
  const char* names[] = {"vigilix-awake", "vigilix-idle", "vigilix-attention"};
  return std::string(names[static_cast<int>(glyph)]) + (symbolic ? "-symbolic" : "");
}

std::string statusIconSvg(StatusGlyph glyph, bool symbolic) {
  const std::string fill = symbolic ? std::string("#bebebe")
                                    : fmt::format("#{:06x}", statusGlyphColor(glyph) & 0xFFFFFFu);
  std::string shapes =
      fmt::format(R"(<path fill-rule="evenodd" d="{} {}"/>)", lensPath(kLensRadius + kStroke / 2),
                  lensPath(kLensRadius - kStroke / 2)) +
      circle(kCanvas / 2, kCanvas / 2, kPupil);
  if (glyph == StatusGlyph::idle) {
    shapes += fmt::format(R"(<path d="M{:g} {:g}L{:g} {:g}L{:g} {:g}L{:g} {:g}Z"/>)", kSlash[0][0],
                          kSlash[0][1], kSlash[1][0], kSlash[1][1], kSlash[2][0], kSlash[2][1],
                          kSlash[3][0], kSlash[3][1]);
  } else if (glyph == StatusGlyph::attention) {
    shapes += circle(kBadgeX, kBadgeY, kBadgeRadius);
  }
  return fmt::format(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\" "
      "viewBox=\"0 0 16 16\">\n<g fill=\"{}\">{}</g>\n</svg>\n",
      fill, shapes);
}

StatusIconPixmap statusIconPixmap(StatusGlyph glyph, std::int32_t size, std::uint32_t color) {
  constexpr int kSamples = 4;  // per side of a pixel
  StatusIconPixmap pixmap{size, size, {}};
  pixmap.argb.reserve(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
  const double scale = kCanvas / size;
  for (std::int32_t py = 0; py < size; ++py) {
    for (std::int32_t px = 0; px < size; ++px) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          hits += covers(glyph, (px + (sx + 0.5) / kSamples) * scale,
                         (py + (sy + 0.5) / kSamples) * scale);
        }
      }
      const auto alpha =
          static_cast<std::uint8_t>(((color >> 24) & 0xFF) * hits / (kSamples * kSamples));
      pixmap.argb.push_back(alpha);
      for (int shift : {16, 8, 0}) {
        pixmap.argb.push_back(alpha ? static_cast<std::uint8_t>(color >> shift) : 0);
      }
    }
  }
  return pixmap;
}

}  // namespace vigilix::platform
