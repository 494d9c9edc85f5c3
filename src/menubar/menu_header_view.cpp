#include "menubar/menu_header_view.h"

#include <algorithm>
#include <cmath>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/runloop/weakly.h"
#include "platform/ui/application.h"
#include "platform/ui/menu.h"
#include "platform/ui/window.h"

namespace vigilix {

using platform::Rect;

namespace {

constexpr double kTitleTop = 8;
constexpr double kReasonGap = 2;
constexpr double kSymbolSize = 14;
constexpr double kTitleToSwitch = 8;

std::string keepAwakeSwitchLabel() {
  return platform::localized("Keep Awake", "Header switch accessibility label");
}

}  // namespace

double VGXMenuHeaderView::leadingInset() {
  return platform::Application::isOperatingSystemAtLeast(26) ? 29 : 21;
}

std::shared_ptr<VGXMenuHeaderView> VGXMenuHeaderView::create(Rect frame) {
  auto view = std::make_shared<VGXMenuHeaderView>(Passkey{}, frame);
  view->setUp();
  return view;
}

VGXMenuHeaderView::VGXMenuHeaderView(Passkey, Rect frame)
    : View(frame), keepAwakeSwitch_(std::make_shared<VGXMenuSwitch>()) {}

void VGXMenuHeaderView::setUp() {
  auto self = std::static_pointer_cast<VGXMenuHeaderView>(shared_from_this());

  setAccessibilityElement(true);
  setAccessibilityRole(platform::AccessibilityRole::Group);

  titleLabel_ =
      platform::TextField::labelWithString(platform::localized("Keep Awake", "Menu header title"));
  titleLabel_->setFont(platform::Font::systemFont(13, platform::Font::Weight::Semibold));
  titleLabel_->setTextColor(platform::Color::label());
  titleLabel_->setAccessibilityElement(false);

  reasonLabel_ = platform::TextField::labelWithString("");
  reasonLabel_->setFont(platform::Font::systemFont(12, platform::Font::Weight::Regular));
  reasonLabel_->setTextColor(platform::Color::secondaryLabel());
  reasonLabel_->setAccessibilityElement(false);

  keepAwakeSwitch_->setAction(platform::weakly(self, &VGXMenuHeaderView::switchChanged));
  keepAwakeSwitch_->setAccessibilityLabel(keepAwakeSwitchLabel());

  attentionImage_ = std::make_shared<platform::ImageView>();
  auto symbol = platform::Image::systemSymbol(
      "exclamationmark.triangle", platform::localized("Attention", "Menu header attention symbol"));
  if (symbol) {
    auto tinted = symbol->withPaletteColors({platform::Color::systemOrange()});
    tinted.setTemplate(false);
    attentionImage_->setImage(tinted);
  }
  attentionImage_->setHidden(true);
  attentionImage_->setAccessibilityElement(false);
  attentionImage_->setAccessibilityLabel("Attention");

  for (const std::shared_ptr<View>& subview : std::initializer_list<std::shared_ptr<View>>{
           titleLabel_, reasonLabel_, keepAwakeSwitch_, attentionImage_}) {
    addSubview(subview);
  }
  setNeedsLayout(true);
}

void VGXMenuHeaderView::layout() {
  // Header coordinates grow upwards; "top" distances are measured from the
  // upper edge.
  const double L = leadingInset();
  const double width = frame().width();
  const double height = frame().height();

  platform::Size switchSize = keepAwakeSwitch_->intrinsicContentSize();
  double switchX = width - kTrailingInset - switchSize.width;
  keepAwakeSwitch_->setFrame(
      Rect(switchX, (height - switchSize.height) / 2, switchSize.width, switchSize.height));

  platform::Size title = titleLabel_->intrinsicContentSize();
  double titleWidth = std::max(0.0, std::min(title.width, switchX - kTitleToSwitch - L));
  double titleY = height - kTitleTop - title.height;
  titleLabel_->setFrame(Rect(L, titleY, titleWidth, title.height));

  platform::Size reason = reasonLabel_->intrinsicContentSize();
  double reasonX = L + (attentionImage_->isHidden() ? 0 : kAttentionShift);
  double reasonY = std::max(kTitleTop, titleY - kReasonGap - reason.height);
  double reasonWidth = std::max(0.0, width - kTrailingInset - reasonX);
  reasonLabel_->setFrame(Rect(reasonX, reasonY, reasonWidth, reason.height));

  attentionImage_->setFrame(
      Rect(L, reasonY + (reason.height - kSymbolSize) / 2, kSymbolSize, kSymbolSize));
}

void VGXMenuHeaderView::setAttention(bool shown) {
  attentionImage_->setHidden(!shown);
  attentionImage_->setAccessibilityElement(shown);
  setNeedsLayout(true);
}

void VGXMenuHeaderView::apply(const std::string& reasonLine, bool isOn, bool isEnabled,
                              const std::optional<std::string>& attentionText) {
  reasonLabel_->setStringValue(reasonLine);
  setAccessibilityLabel(platform::localized("Keep Awake", "Menu header accessibility label"));
  if (attentionText && !attentionText->empty()) {
    setAccessibilityValue(*attentionText);
  } else if (isOn) {
    setAccessibilityValue(platform::fillPlaceholders(
        platform::localized("On, %@", "Header accessibility value when keep-awake is on; cause"),
        {reasonLine}));
  } else {
    setAccessibilityValue(
        platform::localized("Off", "Header accessibility value when keep-awake is off"));
  }
  keepAwakeSwitch_->setEnabled(isEnabled);

  isApplying_ = true;
  keepAwakeSwitch_->setState(isOn ? platform::ControlStateValue::On
                                  : platform::ControlStateValue::Off);
  isApplying_ = false;

  keepAwakeSwitch_->setAccessibilityLabel(keepAwakeSwitchLabel());
  keepAwakeSwitch_->setAccessibilityValue(isOn ? platform::localized("On", "Switch on")
                                               : platform::localized("Off", "Switch off"));
  resize();
  setNeedsLayout(true);
}

void VGXMenuHeaderView::switchChanged(platform::Control&) {
  if (isApplying_ || !onToggle_) return;
  auto onToggle = onToggle_;  // the callback may replace itself
  onToggle(keepAwakeSwitch_->state() == platform::ControlStateValue::On);
}

void VGXMenuHeaderView::resize() {
  double width = kMinimumWidth;
  if (platform::Window* w = window(); w && w->frame().width() > 0) {
    width = w->frame().width();
  } else if (platform::MenuItem* item = enclosingMenuItem();
             item && item->menu() && item->menu()->size().width > 0) {
    width = item->menu()->size().width;
  }
  setFrame(Rect(frame().origin, platform::Size{width, kHeight}));
}

}  // namespace vigilix
