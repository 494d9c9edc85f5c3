#include "platform/ui/file_drop.h"

#include <gtest/gtest.h>

#include "platform/ui/view.h"
#include "platform/ui/window.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

class DropBox final : public View, public FileDropTarget {
 public:
  explicit DropBox(Rect frame) : View(frame) {}
  bool performFileDrop(const std::vector<std::string>& paths) override {
    taken.insert(taken.end(), paths.begin(), paths.end());
    return true;
  }
  std::vector<std::string> taken;
};

// A drop goes to the target under it, or the target it sits in; elsewhere nobody takes it.
TEST(FileDropTest, TheTargetUnderTheDropOrAroundItTakesIt) {
  testing::TestPlatform platform;
  auto window = std::make_shared<Window>(Rect(0, 0, 300, 200), WindowStyle::Titled);
  auto box = std::make_shared<DropBox>(Rect(0, 0, 150, 200));
  auto inner = std::make_shared<View>(Rect(10, 10, 50, 50));
  box->addSubview(inner);
  window->contentView()->addSubview(box);
  const struct {
    const char* name;
    Point at;
    std::vector<std::string> paths;
    bool taken;
  } rows[] = {
      {"on the target", {100, 150}, {"/a.desktop"}, true},
      {"on a view inside it", {20, 20}, {"/b.desktop"}, true},
      {"beside it", {250, 100}, {"/c.desktop"}, false},
      {"no files", {100, 150}, {}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    box->taken.clear();
    EXPECT_EQ(dropFiles(*window, row.at, row.paths), row.taken);
    EXPECT_EQ(box->taken, row.taken ? row.paths : std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace vigilix::platform
