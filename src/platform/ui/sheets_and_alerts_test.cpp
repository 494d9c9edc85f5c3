#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/ui/alert.h"
#include "platform/ui/application.h"
#include "platform/ui/event.h"
#include "platform/ui/window.h"
#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix::platform {
namespace {

namespace ui = testing::ui;

std::shared_ptr<Window> makeWindow(bool shown = true) {
  auto window = std::make_shared<Window>(Rect(0, 0, 300, 200), WindowStyle::Titled);
  if (shown) window->makeKeyAndOrderFront();
  return window;
}

TEST(AlertTest, TheButtonPressedAnswersItsPositionAndEndsThePresentation) {
  enum Press { First, Second, Third, Return, Escape };
  struct Row {
    const char* name;
    std::vector<std::string> titles;
    bool asSheet;
    Press press;
    std::optional<ModalResponse> expected;
  } rows[] = {
      {"first, sheet",
       {"Try Again", "Start Fresh"},
       true,
       First,
       ModalResponse::AlertFirstButtonReturn},
      {"second, modal",
       {"Try Again", "Start Fresh"},
       false,
       Second,
       ModalResponse::AlertSecondButtonReturn},
      {"third", {"A", "B", "C"}, false, Third, ModalResponse::AlertThirdButtonReturn},
      {"Return: the first",
       {"Try Again", "Start Fresh"},
       false,
       Return,
       ModalResponse::AlertFirstButtonReturn},
      {"Escape: Cancel",
       {"Delete", "Cancel"},
       true,
       Escape,
       ModalResponse::AlertSecondButtonReturn},
      {"Escape without Cancel", {"Try Again", "Start Fresh"}, false, Escape, std::nullopt},
      {"no buttons: OK", {}, false, Return, ModalResponse::AlertFirstButtonReturn},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    auto parent = makeWindow();
    auto alert = Alert::make();
    alert->setMessageText("Vigilix couldn't read your settings from the previous version.");
    for (const auto& title : row.titles) alert->addButtonWithTitle(title);
    std::vector<ModalResponse> heard;
    auto completion = [&](ModalResponse response) { heard.push_back(response); };
    if (row.asSheet) {
      alert->beginSheetModalForWindow(parent, completion);
    } else {
      alert->presentModal(completion);
    }
    auto& panel = *alert->window();
    EXPECT_EQ(panel.sheetParent(), row.asSheet ? parent.get() : nullptr);
    EXPECT_TRUE(panel.isKeyWindow());
    EXPECT_FALSE(parent->acceptsEvents());
    EXPECT_EQ(alert->buttons().at(0)->title(), row.titles.empty() ? "OK" : row.titles[0]);
    // The first button is rightmost, the others to its left.
    EXPECT_DOUBLE_EQ(alert->buttons()[0]->frame().maxX(), Alert::kWidth - Alert::kMargin);
    if (alert->buttons().size() > 1) {
      EXPECT_LT(alert->buttons()[1]->frame().maxX(), alert->buttons()[0]->frame().minX());
    }

    if (row.press <= Third) ui::click(*alert->buttons().at(static_cast<std::size_t>(row.press)));
    if (row.press == Return) ui::pressKey(panel, KeyCode::Return);
    if (row.press == Escape) ui::pressKey(panel, KeyCode::Escape);
    if (!row.expected) {
      EXPECT_TRUE(heard.empty());
      EXPECT_TRUE(alert->isPresented());
      alert->buttons().at(0)->performClick();
      continue;
    }
    EXPECT_EQ(heard, std::vector<ModalResponse>{*row.expected});
    EXPECT_FALSE(panel.isVisible());
    EXPECT_TRUE(parent->acceptsEvents());
    alert->buttons().at(0)->performClick();  // not heard after the end
    EXPECT_EQ(heard.size(), 1u);
  }
}

TEST(WindowSheetTest, SheetsAttachOneAtATimeAndEndWithTheirResponse) {
  using Act = std::function<void(Window & parent, std::shared_ptr<Window> a, Window & b)>;
  struct Row {
    const char* name;
    Act act;
    std::vector<std::pair<char, ModalResponse>> heard;
    char attached;  // 'a', 'b' or 0
  } rows[] = {
      {"end the attached: the queued begins",
       [](Window& p, auto a, Window&) { p.endSheet(*a); },
       {{'a', ModalResponse::Stop}},
       'b'},
      {"end both with responses",
       [](Window& p, auto a, Window& b) {
         p.endSheet(*a, ModalResponse::OK);
         p.endSheet(b, ModalResponse::Cancel);
       },
       {{'a', ModalResponse::OK}, {'b', ModalResponse::Cancel}},
       0},
      {"end the queued first",
       [](Window& p, auto, Window& b) { p.endSheet(b, ModalResponse::Abort); },
       {{'b', ModalResponse::Abort}},
       'a'},
      {"a sheet of no window, twice, on itself or none is refused",
       [](Window& p, auto a, Window&) {
         p.endSheet(*makeWindow(false));
         EXPECT_FALSE(makeWindow(false)->beginSheet(a));
         EXPECT_FALSE(a->beginSheet(a));
         EXPECT_FALSE(p.beginSheet(nullptr));
       },
       {},
       'a'},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    auto parent = makeWindow();
    int clicks = 0;
    auto button = Button::withTitle("Go");
    button->setFrame(Rect(10, 10, 80, 21));
    button->setAction([&](Control&) { ++clicks; });
    parent->contentView()->addSubview(button);
    auto a = makeWindow(false);
    auto b = makeWindow(false);
    std::vector<std::pair<char, ModalResponse>> heard;
    ASSERT_TRUE(parent->beginSheet(a, [&](ModalResponse r) { heard.emplace_back('a', r); }));
    ASSERT_TRUE(parent->beginSheet(b, [&](ModalResponse r) { heard.emplace_back('b', r); }));
    EXPECT_FALSE(b->isVisible());
    row.act(*parent, a, *b);
    EXPECT_EQ(heard, row.heard);
    Window* expected = row.attached == 'a' ? a.get() : row.attached == 'b' ? b.get() : nullptr;
    EXPECT_EQ(parent->attachedSheet().get(), expected);
    EXPECT_TRUE(expected ? expected->isKeyWindow() : parent->isKeyWindow());
    // The parent takes clicks only without a sheet.
    ui::click(*button);
    EXPECT_EQ(clicks, expected ? 0 : 1);
  }
}

}  // namespace
}  // namespace vigilix::platform
