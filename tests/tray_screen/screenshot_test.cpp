#include "tray_screen/screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

// A 4x3 shot of one grey, with the given pixels set to another colour.
Screenshot shot(std::initializer_list<std::pair<int, int>> marked, std::uint8_t value = 200,
                int width = 4, int height = 3) {
  Screenshot s{width, height,
               std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3, 100)};
  for (auto [x, y] : marked) {
    for (int c = 0; c < 3; ++c) s.rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] = value;
  }
  return s;
}

TEST(ScreenshotTest, ChangesAreCountedInsideTheAreaAboveTheTolerance) {
  const Screenshot before = shot({});
  const ScreenBox whole{0, 0, 4, 3};
  struct Row {
    const char* name;
    Screenshot after;
    ScreenBox within;
    int pixels;
    std::optional<ScreenBox> box;
  };
  const Row rows[] = {
      {"same picture", shot({}), whole, 0, std::nullopt},
      {"two pixels, boxed together", shot({{1, 0}, {2, 2}}), whole, 2, ScreenBox{1, 0, 2, 3}},
      {"a change within the tolerance is noise", shot({{1, 1}}, 120), whole, 0, std::nullopt},
      {"outside the area", shot({{3, 2}}), {0, 0, 2, 2}, 0, std::nullopt},
      {"an area past the edge is clipped",
       shot({{3, 2}}),
       {2, 1, 10, 10},
       1,
       ScreenBox{3, 2, 1, 1}},
      {"another size differs everywhere in the area",
       shot({}, 200, 5, 3),
       {1, 1, 2, 2},
       4,
       ScreenBox{1, 1, 2, 2}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ScreenChange change = row.after.changeFrom(before, row.within);
    EXPECT_EQ(change.pixels, row.pixels);
    EXPECT_EQ(change.box, row.box);
  }
}

TEST(ScreenshotTest, SavesAPngOrSaysWhyNot) {
  const std::filesystem::path folder = makeTemporaryFolder("vigilix-screenshot");
  const Screenshot picture = shot({{0, 0}});
  EXPECT_EQ(picture.savePng(folder / "shot.png"), std::nullopt);
  std::ifstream in(folder / "shot.png", std::ios::binary);
  std::string start(8, '\0');
  in.read(start.data(), 8);
  EXPECT_EQ(start, "\x89PNG\r\n\x1a\n");
  EXPECT_NE(picture.savePng(folder / "missing" / "shot.png"), std::nullopt);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vigilix::testing
