#include "settings/settings_section.h"

#include "platform/ui/color.h"
#include "platform/ui/font.h"
#include "settings/settings_layout.h"

namespace vigilix {

namespace {
constexpr double kTextWidth = VGXSettingsLayout::width - 60;
}

std::shared_ptr<platform::TextField> secondaryLine(const std::string& text) {
  auto line = platform::TextField::labelWithString(text);
  line->setTextColor(platform::Color::secondaryLabel());
  line->setFont(platform::Font::systemFont(platform::Font::smallSystemFontSize()));
  line->setMaximumNumberOfLines(0);
  line->setPreferredMaxLayoutWidth(kTextWidth);
  return line;
}

VGXSettingsSection::VGXSettingsSection(const std::optional<std::string>& header)
    : view_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)),
      footer_(secondaryLine("")) {
  view_->setSpacing(6);
  if (header) {
    auto title = platform::TextField::labelWithString(*header);
    title->setFont(platform::Font::headlineFont());
    title->setAccessibilityRole(platform::AccessibilityRole::StaticText);
    view_->addArrangedSubview(title);
  }
  footer_->setHidden(true);
}

void VGXSettingsSection::addRow(const std::shared_ptr<platform::View>& row) {
  // The footer stays last.
  footer_->removeFromSuperview();
  view_->addArrangedSubview(row);
  view_->addArrangedSubview(footer_);
}

void VGXSettingsSection::setFooter(const std::optional<std::string>& text) {
  if (footer_->superview() == nullptr) view_->addArrangedSubview(footer_);
  footer_->setStringValue(text.value_or(""));
  footer_->setHidden(!text || text->empty());
  view_->setNeedsLayout(true);
}

}  // namespace vigilix
