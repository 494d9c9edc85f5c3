#include "tray_screen/screenshot.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace vigilix::testing {

ScreenChange Screenshot::changeFrom(const Screenshot& before, ScreenBox within,
                                    int tolerance) const {
  const int left = std::max(0, within.x);
  const int top = std::max(0, within.y);
  const int right = std::min(width, within.x + within.width);
  const int bottom = std::min(height, within.y + within.height);
  ScreenChange change;
  if (left >= right || top >= bottom) return change;
  if (before.width != width || before.height != height) {
    change.pixels = (right - left) * (bottom - top);
    change.box = ScreenBox{left, top, right - left, bottom - top};
    return change;
  }
  int minX = right, minY = bottom, maxX = left - 1, maxY = top - 1;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
      bool differs = false;
      for (std::size_t c = 0; c < 3; ++c) {
        differs = differs || std::abs(int{rgb[at + c]} - int{before.rgb[at + c]}) > tolerance;
      }
      if (!differs) continue;
      ++change.pixels;
      minX = std::min(minX, x);
      minY = std::min(minY, y);
      maxX = std::max(maxX, x);
      maxY = std::max(maxY, y);
    }
  }
  if (change.pixels > 0) change.box = ScreenBox{minX, minY, maxX - minX + 1, maxY - minY + 1};
  return change;
}

std::optional<std::string> Screenshot::savePng(const std::filesystem::path& path) const {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) return "cannot open " + path.string();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return std::string("libpng could not start");
  }
  // libpng reports failure by longjmp; nothing with a destructor lives
  // between here and the end of the writing.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return "libpng could not write " + path.string();
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * width * 3);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::nullopt;
}

}  // namespace vigilix::testing
