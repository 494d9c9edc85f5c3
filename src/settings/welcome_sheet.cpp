#include "settings/welcome_sheet.h"

#include "platform/ui/font.h"
#include "platform/ui/image.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"
#include "settings/about_settings_pane.h"

namespace vigilix {

namespace {
constexpr double kWidth = 420;
}

VGXWelcomeSheet::VGXWelcomeSheet(std::function<void()> openMenu, std::function<void()> notNow)
    : window_(std::make_shared<platform::Window>(platform::Rect(0, 0, kWidth, 240),
                                                 platform::WindowStyle::Titled)),
      openMenu_(platform::Button::withTitle("Open Menu")),
      notNow_(platform::Button::withTitle("Not Now")) {
  window_->setTitle(kTitle);
  auto icon = applicationIconView();
  auto title = platform::TextField::labelWithString(kTitle);
  title->setFont(platform::Font::systemFont(platform::Font::systemFontSize() + 4,
                                            platform::Font::Weight::Bold));
  auto text = platform::TextField::labelWithString(kText);
  text->setMaximumNumberOfLines(0);
  text->setPreferredMaxLayoutWidth(kWidth - 40);
  openMenu_->setAction([open = std::move(openMenu)](platform::Control&) {
    if (open) open();
  });
  notNow_->setKeyEquivalent(platform::KeyEquivalent::Escape);
  notNow_->setAction([later = std::move(notNow)](platform::Control&) {
    if (later) later();
  });
  window_->setDefaultButton(openMenu_);
  auto buttons =
      platform::StackView::make(platform::StackView::Orientation::Horizontal, {notNow_, openMenu_});
  auto column = platform::StackView::make(platform::StackView::Orientation::Vertical,
                                          {icon, title, text, buttons});
  column->setAlignment(platform::StackView::Alignment::Center);
  column->setEdgeInsets({20, 20, 20, 20});
  column->setSpacing(12);
  window_->setContentView(column);
  window_->setContentSize({kWidth, column->fittingSize().height});
}

}  // namespace vigilix
