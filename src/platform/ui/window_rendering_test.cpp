#include "platform/ui/window_rendering.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/defaults/user_defaults.h"
#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"
#include "testing/captured_log.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

// Records what the seam asks of a renderer.
class RecordingRenderer final : public WindowRenderer {
 public:
  void show(const RenderedWindow& window) override { shown.push_back(window); }
  void close(std::uint64_t window) override { closed.push_back(window); }
  RenderedScreens screens() const override { return desktop; }
  // Text 10 points a character, a line 20 high, broken at the wrap width.
  std::optional<Size> sizeThatFits(const TextMeasure& measure) override {
    ++measured;
    const double width = 10.0 * static_cast<double>(measure.text.size());
    if (measure.kind != RenderedView::Kind::Label) return Size{width + 30, 30};
    if (!measure.wraps || width <= measure.wrapWidth) return Size{width, 20};
    return Size{measure.wrapWidth, 20 * std::ceil(width / measure.wrapWidth)};
  }
  bool release() override {
    ++releases;
    return !keep;
  }
  static inline RecordingRenderer* last = nullptr;
  static inline int made = 0;
  static inline int releases = 0;
  static inline bool keep = false;  // what release() refuses
  static inline WindowInput* input = nullptr;
  static inline RenderedScreens desktop;
  std::vector<RenderedWindow> shown;
  std::vector<std::uint64_t> closed;
  int measured = 0;
};

WindowRenderer* makeRecording(WindowInput& input, DescriptorSources&, DispatchQueue&) {
  RecordingRenderer::input = &input;
  ++RecordingRenderer::made;
  return RecordingRenderer::last = new RecordingRenderer();
}

class FlippedView : public View {
 public:
  using View::View;
  bool isFlipped() const override { return true; }
};

class WindowRenderingTest : public ::testing::Test {
 protected:
  WindowRenderingTest() { WindowRendering::useFactory(&makeRecording); }
  ~WindowRenderingTest() override {
    WindowRendering::reset();
    RecordingRenderer::desktop = {};
  }

  testing::TestPlatform platform;
};

TEST_F(WindowRenderingTest, RenderingListsVisibleViewsWithTopLeftFrames) {
  auto window = std::make_shared<Window>(Rect(0, 0, 200, 100), WindowStyle::Titled);
  auto start = Button::withTitle("Start");
  start->setFrame(Rect(10, 10, 80, 21));
  window->contentView()->addSubview(start);
  window->setDefaultButton(start);
  auto flipped = std::make_shared<FlippedView>(Rect(0, 0, 200, 100));
  window->contentView()->addSubview(flipped);
  auto label = TextField::labelWithString("Note");
  label->setFrame(Rect(5, 5, 100, 16));
  flipped->addSubview(label);
  auto field = TextField::textFieldWithString("12");
  field->setFrame(Rect(5, 30, 50, 21));
  flipped->addSubview(field);
  auto box = CheckBox::withTitle("Dim");
  box->setFrame(Rect(5, 55, 80, 18));
  box->setState(ControlStateValue::On);
  flipped->addSubview(box);
  auto hidden = TextField::labelWithString("Hidden");
  hidden->setHidden(true);
  flipped->addSubview(hidden);
  window->makeFirstResponder(field.get());
  field->currentEditor()->setSelectedRange({1, 1});

  RenderedWindow r = WindowRendering::render(*window);
  EXPECT_EQ(r.contentSize, (Size{200, 100}));
  struct Row {
    RenderedView::Kind kind;
    std::string text;
    Rect frame;
  };
  const Row rows[] = {
      {RenderedView::Kind::Button, "Start", Rect(10, 69, 80, 21)},
      {RenderedView::Kind::Label, "Note", Rect(5, 5, 100, 16)},
      {RenderedView::Kind::TextField, "12", Rect(5, 30, 50, 21)},
      {RenderedView::Kind::CheckBox, "Dim", Rect(5, 55, 80, 18)},
  };
  ASSERT_EQ(r.views.size(), std::size(rows));
  for (std::size_t i = 0; i < r.views.size(); ++i) {
    SCOPED_TRACE(rows[i].text);
    EXPECT_EQ(r.views[i].kind, rows[i].kind);
    EXPECT_EQ(r.views[i].text, rows[i].text);
    EXPECT_EQ(r.views[i].frame, rows[i].frame);
  }
  EXPECT_TRUE(r.views[0].isDefault);
  EXPECT_TRUE(r.views[2].focused);
  EXPECT_TRUE(r.views[3].checked);
  EXPECT_EQ(r.views[2].selectionStart, 1u);
  EXPECT_EQ(r.views[2].selectionLength, 1u);
}

TEST_F(WindowRenderingTest, ShownWindowsFollowTheModelUntilClosed) {
  auto window = std::make_shared<Window>(Rect(0, 0, 200, 100), WindowStyle::Titled);
  auto label = TextField::labelWithString("One");
  window->contentView()->addSubview(label);
  label->setStringValue("Unseen");  // not shown yet: nothing goes to the renderer
  // Made with the window, which the renderer measures.
  ASSERT_NE(WindowRendering::renderer(), nullptr);
  auto& renderer = *RecordingRenderer::last;
  EXPECT_TRUE(renderer.shown.empty());

  window->makeKeyAndOrderFront();
  ASSERT_EQ(renderer.shown.size(), 1u);
  // Changes within one turn are shown once, on the main queue.
  label->setStringValue("Two");
  window->setTitle("Titled");
  platform.runUntilIdle();
  ASSERT_EQ(renderer.shown.size(), 2u);
  EXPECT_EQ(renderer.shown[1].title, "Titled");
  EXPECT_EQ(renderer.shown[1].views[0].text, "Two");

  window->close();
  EXPECT_EQ(renderer.closed, std::vector<std::uint64_t>{WindowRendering::idOf(window.get())});
  label->setStringValue("Three");
  platform.runUntilIdle();
  EXPECT_EQ(renderer.shown.size(), 2u);
}

TEST_F(WindowRenderingTest, PanelsOpenWhereTheyWereKeptAndKeepTheDesktopsMoves) {
  // The main screen 1000 high under a panel 30 high; a second one to its right.
  RecordingRenderer::desktop = {1000, {Rect(0, 30, 1600, 970), Rect(1600, 0, 1280, 1024)}};
  EXPECT_EQ(Window::screenVisibleFrames(),
            (std::vector<Rect>{Rect(0, 0, 1600, 970), Rect(1600, -24, 1280, 1024)}));
  struct Row {
    const char* name;
    const char* kept;  // empty: nothing kept
    std::optional<Point> origin;
  };
  const Row rows[] = {
      {"nothing kept: the desktop places it", "", std::nullopt},
      {"kept on the main screen", "200 500 300 228 0 0 1600 970 ", Point{200, 272}},
      {"kept on the second screen", "1700 300 300 228 1600 -24 1280 1024 ", Point{1700, 472}},
      {"kept on a screen that is gone", "5000 300 300 228 3000 0 800 600 ", Point{1300, 472}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto& defaults = UserDefaults::standard();
    const std::string key = Window::frameDefaultsKey(row.name);
    if (*row.kept) defaults.set(key, std::string(row.kept));
    auto window = std::make_shared<Window>(Rect(0, 0, 300, 200), WindowStyle::Titled);
    window->setFrameAutosaveName(row.name);
    window->makeKeyAndOrderFront();
    auto& renderer = *RecordingRenderer::last;
    EXPECT_EQ(renderer.shown.back().origin, row.origin);

    // The user drags it by its title bar, on the desktop.
    RecordingRenderer::input->frameChanged(WindowRendering::idOf(window.get()), Point{400, 100},
                                           Size{300, 200});
    EXPECT_EQ(window->frame(), Rect(400, 672, 300, 228));
    EXPECT_EQ(defaults.stringValue(key), "400 672 300 228 0 0 1600 970 ");
    EXPECT_EQ(renderer.shown.back().origin, (Point{400, 100}));
    window->close();
  }
  // A sheet goes where its parent puts it.
  auto parent = std::make_shared<Window>(Rect(0, 0, 300, 200), WindowStyle::Titled);
  auto sheet = std::make_shared<Window>(Rect(0, 0, 200, 100), WindowStyle::Titled);
  sheet->setFrameOrigin(Point{10, 10});
  parent->makeKeyAndOrderFront();
  parent->beginSheet(sheet);
  EXPECT_EQ(RecordingRenderer::last->shown.back().kind, RenderedWindow::Kind::Sheet);
  EXPECT_EQ(RecordingRenderer::last->shown.back().origin, std::nullopt);
}

// Views measure their text as the renderer draws it once a window is built:
// a wrapping label takes the lines it needs at the width its column gives
// it, and what follows moves down.
TEST_F(WindowRenderingTest, ViewsTakeTheSizesTheRendererMeasures) {
  auto window = std::make_shared<Window>(Rect(0, 0, 200, 300), WindowStyle::Titled);
  auto column = StackView::make(StackView::Orientation::Vertical, {});
  column->setSpacing(0);
  auto note = TextField::labelWithString(std::string(30, 'n'));  // 300 wide on one line
  note->setMaximumNumberOfLines(0);
  auto title = TextField::labelWithString(std::string(30, 't'));
  auto button = Button::withTitle("Go");
  for (auto& view : std::initializer_list<std::shared_ptr<View>>{note, title, button})
    column->addArrangedSubview(view);
  window->setContentView(column);
  window->layoutIfNeeded();
  struct Row {
    const char* name;
    std::shared_ptr<View> view;
    Rect frame;
  };
  const Row rows[] = {
      {"a wrapping label breaks at the column's width", note, Rect(0, 0, 200, 40)},
      {"a one-line label keeps its line", title, Rect(0, 40, 200, 20)},
      {"a button is as large as the renderer says", button, Rect(0, 60, 50, 30)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.view->frame(), row.frame);
  }
  // Asked once per text and width, however often the views lay out.
  const int asked = RecordingRenderer::last->measured;
  column->setNeedsLayout(true);
  window->layoutIfNeeded();
  EXPECT_EQ(RecordingRenderer::last->measured, asked);
}

TEST_F(WindowRenderingTest, NothingShownForAWhileLetsTheRendererGoUntilTheNextWindow) {
  using Act = std::function<void(Window&)>;
  struct Row {
    const char* name;
    bool keep;
    Act afterClose;
    int releases;
    bool released;
  };
  const double delay = WindowRendering::kReleaseDelaySeconds;
  const Row rows[] = {
      {"closed and left", false, [](Window&) {}, 1, true},
      {"opened again at once", false,
       [&](Window& window) {
         platform.advance(delay / 2);
         window.makeKeyAndOrderFront();
       },
       0, false},
      {"the renderer keeps what it still needs", true, [](Window&) {}, 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingRenderer::made = RecordingRenderer::releases = 0;
    RecordingRenderer::keep = row.keep;
    auto window = std::make_shared<Window>(Rect(0, 0, 200, 100), WindowStyle::Titled);
    window->makeKeyAndOrderFront();
    window->close();
    row.afterClose(*window);
    platform.advance(delay);
    EXPECT_EQ(RecordingRenderer::releases, row.releases);
    EXPECT_EQ(WindowRendering::renderer() == nullptr, row.released);
    // The next window has a renderer, made again when the last one went.
    window->makeKeyAndOrderFront();
    ASSERT_NE(WindowRendering::renderer(), nullptr);
    EXPECT_EQ(RecordingRenderer::made, row.released ? 2 : 1);
    window->close();
    WindowRendering::reset();
    WindowRendering::useFactory(&makeRecording);
  }
  RecordingRenderer::keep = false;
}

TEST_F(WindowRenderingTest, AModuleIsLoadedOnlyWithAScreenToReachAndAFailureIsReportedOnce) {
  struct Row {
    const char* name;
    const char* display;
    const char* said;
  };
  const Row rows[] = {
      {"no display: not loaded", nullptr, "there is no display"},
      {"a display: loaded, and it fails", ":99", "did not load"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::ScopedEnvironment screen("DISPLAY", row.display);
    screen.set("WAYLAND_DISPLAY", std::nullopt);
    screen.set("QT_QPA_PLATFORM", std::nullopt);
    testing::CapturedLog log;
    WindowRendering::reset();
    WindowRendering::loadModuleOnFirstWindow("/nonexistent/vigilix-qt-renderer.so");
    auto window = std::make_shared<Window>(Rect(0, 0, 200, 100), WindowStyle::Titled);
    window->makeKeyAndOrderFront();
    window->orderOut();
    window->makeKeyAndOrderFront();
    EXPECT_EQ(WindowRendering::renderer(), nullptr);
    ASSERT_EQ(log.count(LogLevel::Error), 1u);
    EXPECT_NE(log.entries().front().message.find(row.said), std::string::npos);
    EXPECT_TRUE(window->isVisible());
  }
}

TEST_F(WindowRenderingTest, TheModuleIsFoundBesideABuiltProgramElseWhereAnInstallPutsIt) {
  const std::filesystem::path root = testing::makeTemporaryFolder("vigilix-module");
  struct Row {
    const char* name;
    std::vector<const char*> files;
    const char* found;
  };
  const Row rows[] = {
      {"a build tree", {"build/vigilix-qt-renderer.so"}, "build/vigilix-qt-renderer.so"},
      {"an install", {"lib/vigilix/vigilix-qt-renderer.so"}, "lib/vigilix/vigilix-qt-renderer.so"},
      {"both: the one beside wins",
       {"lib/vigilix/vigilix-qt-renderer.so", "bin/vigilix-qt-renderer.so"},
       "bin/vigilix-qt-renderer.so"},
      {"none: the installed place is named", {}, "lib/vigilix/vigilix-qt-renderer.so"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(root);
    for (const char* file : row.files) {
      std::filesystem::create_directories((root / file).parent_path());
      std::ofstream(root / file) << "module";
    }
    const char* folder = std::string_view(row.found).starts_with("build") ? "build" : "bin";
    EXPECT_EQ(WindowRendering::moduleForProgram((root / folder / "vigilix-app").string()),
              (root / row.found).string());
  }
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace vigilix::platform
