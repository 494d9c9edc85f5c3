#include "platform/tray/status_icon_art.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vigilix::platform {
namespace {

// The icons installed into the theme are the drawing the pixmaps come from.
TEST(StatusIconArtTest, TheInstalledIconsAreTheDrawing) {
  for (StatusGlyph glyph : {StatusGlyph::awake, StatusGlyph::idle, StatusGlyph::attention}) {
    for (bool symbolic : {false, true}) {
      const std::string name = statusIconName(glyph, symbolic);
      SCOPED_TRACE(name);
      std::ifstream file(std::filesystem::path(VIGILIX_ICONS_DIR) / (name + ".svg"));
      std::stringstream text;
      text << file.rdbuf();
      EXPECT_EQ(text.str(), statusIconSvg(glyph, symbolic));
    }
  }
  EXPECT_NE(statusIconSvg(StatusGlyph::idle, true).find("fill=\"#bebebe\""), std::string::npos);
  EXPECT_NE(statusIconSvg(StatusGlyph::awake, false).find("fill=\"#3c9a5f\""), std::string::npos);
}

TEST(StatusIconArtTest, EachGlyphCoversItsOwnPlaces) {
  // Places on a 16-unit square: the pupil, the outline at the eye's left
  // corner, low left where only the idle stroke passes, top right where only
  // the attention badge sits, and a corner that stays clear.
  struct Place {
    const char* name;
    double x, y;
  };
  const Place places[] = {{"pupil", 8, 8},
                          {"outline", 1, 8},
                          {"stroke", 2.5, 13.5},
                          {"badge", 11.5, 1.5},
                          {"corner", 15.5, 15.5}};
  struct Row {
    StatusGlyph glyph;
    std::vector<bool> covered;  // per place
  };
  const Row rows[] = {
      {StatusGlyph::awake, {true, true, false, false, false}},
      {StatusGlyph::idle, {true, true, true, false, false}},
      {StatusGlyph::attention, {true, true, false, true, false}},
  };
  for (const Row& row : rows) {
    for (std::int32_t size : {22, 44}) {
      const StatusIconPixmap pixmap = statusIconPixmap(row.glyph, size, 0xFF3C9A5F);
      ASSERT_EQ(pixmap.argb.size(), static_cast<std::size_t>(size * size * 4));
      for (std::size_t i = 0; i < std::size(places); ++i) {
        const Place& place = places[i];
        SCOPED_TRACE(statusIconName(row.glyph, false) + " " + std::to_string(size) + " " +
                     place.name);
        const auto px = static_cast<std::size_t>(place.x * size / 16);
        const auto py = static_cast<std::size_t>(place.y * size / 16);
        const std::size_t at = (py * static_cast<std::size_t>(size) + px) * 4;
        EXPECT_EQ(pixmap.argb[at] > 128, row.covered[i]) << int(pixmap.argb[at]);
        if (row.covered[i]) {
          EXPECT_EQ(pixmap.argb[at + 2], 0x9A);  // green, in network order
        }
      }
    }
  }
}

}  // namespace
}  // namespace vigilix::platform
