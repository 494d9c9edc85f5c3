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

std::shared_ptr<Window> makeWindow() {
  auto window = std::make_shared<Window>(Rect(0, 0, 300, 200), WindowStyle::Titled);
  window->makeKeyAndOrderFront();
  return window;
}

enum class Press { ClickFirst, ClickSecond, ClickThird, Return, Escape };

TEST(AlertTest, TheButtonPressedAnswersItsPositionAndEndsThePresentation) {
  struct Row {
    const char* name;
    std::vector<std::string> titles;
    bool asSheet;
    Press press;
    std::optional<ModalResponse> expected;
  } rows[] = {
      {"first by click, sheet",
       {"Try Again", "Start Fresh"},
       true,
       Press::ClickFirst,
       ModalResponse::AlertFirstButtonReturn},
      {"second by click, modal",
       {"Try Again", "Start Fresh"},
       false,
       Press::ClickSecond,
       ModalResponse::AlertSecondButtonReturn},
      {"third by click",
       {"A", "B", "C"},
       false,
       Press::ClickThird,
       ModalResponse::AlertThirdButtonReturn},
      {"Return presses the first",
       {"Try Again", "Start Fresh"},
       false,
       Press::Return,
       ModalResponse::AlertFirstButtonReturn},
      {"Escape presses Cancel",
       {"Delete", "Cancel"},
       true,
       Press::Escape,
       ModalResponse::AlertSecondButtonReturn},
      {"Escape without Cancel does nothing",
       {"Try Again", "Start Fresh"},
       false,
       Press::Escape,
       std::nullopt},
      {"no buttons gives OK", {}, false, Press::Return, ModalResponse::AlertFirstButtonReturn},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    auto parent = makeWindow();
    auto alert = Alert::make();
    alert->setMessageText("Vigilix couldn't read your settings from the previous version.");
    alert->setInformativeText("The file is damaged.");
    for (const auto& title : row.titles) alert->addButtonWithTitle(title);
    std::vector<ModalResponse> heard;
    auto completion = [&](ModalResponse response) { heard.push_back(response); };
    if (row.asSheet) {
      alert->beginSheetModalForWindow(parent, completion);
      EXPECT_EQ(parent->attachedSheet(), alert->window());
    } else {
      alert->presentModal(completion);
      EXPECT_EQ(Application::shared().modalWindow(), alert->window());
    }
    EXPECT_TRUE(alert->window()->isKeyWindow());
    EXPECT_FALSE(parent->acceptsEvents());
    if (row.titles.empty()) {
      EXPECT_EQ(alert->buttons().at(0)->title(), "OK");
    }

    auto& panel = *alert->window();
    switch (row.press) {
      case Press::ClickFirst:
      case Press::ClickSecond:
      case Press::ClickThird:
        ui::click(*alert->buttons().at(static_cast<std::size_t>(row.press)));
        break;
      case Press::Return:
        ui::pressKey(panel, KeyCode::Return);
        break;
      case Press::Escape:
        ui::pressKey(panel, KeyCode::Escape);
        break;
    }
    if (!row.expected) {
      EXPECT_TRUE(heard.empty());
      EXPECT_TRUE(alert->isPresented());
      continue;
    }
    EXPECT_EQ(heard, std::vector<ModalResponse>{*row.expected});
    EXPECT_FALSE(alert->isPresented());
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(parent->attachedSheet(), nullptr);
    EXPECT_EQ(Application::shared().modalWindow(), nullptr);
    EXPECT_TRUE(parent->acceptsEvents());
    // A second press after the end is not heard.
    alert->buttons().at(0)->performClick();
    EXPECT_EQ(heard.size(), 1u);
  }
}

TEST(AlertTest, ThePanelStacksItsTextsAboveTheButtonsWithTheFirstRightmost) {
  testing::TestPlatform platform;
  auto alert = Alert::make();
  alert->setMessageText("Vigilix couldn't read your settings from the previous version.");
  alert->setInformativeText("");
  auto first = alert->addButtonWithTitle("Try Again");
  auto second = alert->addButtonWithTitle("Start Fresh");
  alert->presentModal({});
  EXPECT_DOUBLE_EQ(first->frame().maxX(), Alert::kWidth - Alert::kMargin);
  EXPECT_LT(second->frame().maxX(), first->frame().minX());
  EXPECT_DOUBLE_EQ(alert->window()->contentRect().height(), first->frame().maxY() + Alert::kMargin);
  EXPECT_EQ(ui::findByAccessibilityLabel(*alert->window()->contentView(), "Try Again"), first);
  auto content = std::dynamic_pointer_cast<AlertContentView>(alert->window()->contentView());
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(content->alert(), alert);
}

TEST(WindowSheetTest, SheetsAttachOneAtATimeAndEndWithTheirResponse) {
  struct Row {
    const char* name;
    std::function<void(Window& parent, Window& a, Window& b, std::shared_ptr<Window> aPtr,
                       std::shared_ptr<Window> bPtr)>
        act;
    std::vector<std::pair<char, ModalResponse>> heard;
    char attached;  // 'a', 'b' or 0
  } rows[] = {
      {"end the attached sheet",
       [](Window& p, Window& a, Window&, auto, auto) { p.endSheet(a); },
       {{'a', ModalResponse::Stop}},
       'b'},
      {"end with a response",
       [](Window& p, Window& a, Window& b, auto, auto) {
         p.endSheet(a, ModalResponse::OK);
         p.endSheet(b, ModalResponse::Cancel);
       },
       {{'a', ModalResponse::OK}, {'b', ModalResponse::Cancel}},
       0},
      {"end the queued sheet first",
       [](Window& p, Window&, Window& b, auto, auto) { p.endSheet(b, ModalResponse::Abort); },
       {{'b', ModalResponse::Abort}},
       'a'},
      {"ending a sheet of no window does nothing",
       [](Window& p, Window&, Window&, auto, auto) {
         Window stranger(Rect(0, 0, 10, 10), WindowStyle::Titled);
         p.endSheet(stranger);
       },
       {},
       'a'},
      {"a sheet cannot be begun twice or on itself",
       [](Window& p, Window& a, Window&, auto aPtr, auto) {
         auto other = std::make_shared<Window>(Rect(0, 0, 10, 10), WindowStyle::Titled);
         EXPECT_FALSE(other->beginSheet(aPtr));
         EXPECT_FALSE(a.beginSheet(aPtr));
         EXPECT_FALSE(p.beginSheet(nullptr));
       },
       {},
       'a'},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    auto parent = makeWindow();
    auto a = std::make_shared<Window>(Rect(0, 0, 100, 100), WindowStyle::Titled);
    auto b = std::make_shared<Window>(Rect(0, 0, 100, 100), WindowStyle::Titled);
    std::vector<std::pair<char, ModalResponse>> heard;
    ASSERT_TRUE(parent->beginSheet(a, [&](ModalResponse r) { heard.emplace_back('a', r); }));
    ASSERT_TRUE(parent->beginSheet(b, [&](ModalResponse r) { heard.emplace_back('b', r); }));
    EXPECT_TRUE(a->isKeyWindow());
    EXPECT_FALSE(b->isVisible());
    EXPECT_EQ(b->sheetParent(), parent.get());
    row.act(*parent, *a, *b, a, b);
    EXPECT_EQ(heard, row.heard);
    Window* expected = row.attached == 'a' ? a.get() : row.attached == 'b' ? b.get() : nullptr;
    EXPECT_EQ(parent->attachedSheet().get(), expected);
    if (expected) {
      EXPECT_TRUE(expected->isKeyWindow());
      EXPECT_FALSE(parent->acceptsEvents());
    } else {
      EXPECT_TRUE(parent->isKeyWindow());
      EXPECT_TRUE(parent->acceptsEvents());
    }
  }
}

TEST(WindowSheetTest, AParentWithASheetTakesNoClicks) {
  testing::TestPlatform platform;
  auto parent = makeWindow();
  int clicks = 0;
  auto button = Button::withTitle("Go");
  button->setFrame(Rect(10, 10, 80, 21));
  button->setAction([&](Control&) { ++clicks; });
  parent->contentView()->addSubview(button);
  auto sheet = std::make_shared<Window>(Rect(0, 0, 100, 100), WindowStyle::Titled);
  parent->beginSheet(sheet);
  ui::click(*button);
  EXPECT_EQ(clicks, 0);
  parent->endSheet(*sheet);
  ui::click(*button);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace vigilix::platform
