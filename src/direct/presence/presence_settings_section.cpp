#include "direct/presence/presence_settings_section.h"

#include <algorithm>

#include "platform/base/localized.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "platform/ui/font.h"
#include "settings/settings_section.h"

namespace vigilix {

using platform::localized;
using platform::StackView;
using platform::weakly;

namespace {

constexpr double kMargin = 20;
constexpr double kSpacing = 12;
constexpr double kTitleSize = 17;

}  // namespace

VGXPresenceExplanationSheet::VGXPresenceExplanationSheet(
    const std::shared_ptr<VGXPresenceSettingsModel>& model, std::function<void()> dismiss)
    : cancel_(
          platform::Button::withTitle(localized("Cancel", "Keep Chat Apps explanation cancel"))),
      continue_(platform::Button::withTitle(
          localized("Continue", "Keep Chat Apps explanation continue"))) {
  auto title = platform::TextField::labelWithString(VGXPresenceTexts::title());
  title->setFont(platform::Font::systemFont(kTitleSize, platform::Font::Weight::Semibold));
  auto text = platform::TextField::labelWithString(VGXPresenceTexts::explanation());
  text->setMaximumNumberOfLines(0);
  text->setPreferredMaxLayoutWidth(kMinimumWidth - 2 * kMargin);
  cancel_->setAccessibilityLabel("Keep Chat Apps explanation cancel");
  continue_->setAccessibilityLabel("Keep Chat Apps explanation continue");
  cancel_->setKeyEquivalent(platform::KeyEquivalent::Escape);
  const std::weak_ptr<VGXPresenceSettingsModel> weak = model;
  cancel_->setAction([weak, dismiss](platform::Control&) {
    if (const auto owner = weak.lock()) owner->cancelExplanation();
    dismiss();
  });
  continue_->setAction([weak, dismiss](platform::Control&) {
    if (const auto owner = weak.lock()) owner->continueExplanation();
    dismiss();
  });

  auto buttons = StackView::make(StackView::Orientation::Horizontal,
                                 {std::make_shared<platform::SpacerView>(), cancel_, continue_});
  auto body = StackView::make(StackView::Orientation::Vertical, {title, text, buttons});
  body->setAlignment(StackView::Alignment::Fill);
  body->setSpacing(kSpacing);
  body->setEdgeInsets({kMargin, kMargin, kMargin, kMargin});
  body->setAccessibilityRole(platform::AccessibilityRole::Group);
  body->setAccessibilityLabel(VGXPresenceTexts::title());

  const platform::Size fitting = body->fittingSize();
  window_ = std::make_shared<platform::Window>(
      platform::Rect({0, 0}, {std::max(fitting.width, kMinimumWidth), fitting.height}),
      platform::WindowStyle::Titled);
  window_->setContentView(body);
  window_->setDefaultButton(continue_);
}

std::shared_ptr<VGXPresenceSettingsSection> VGXPresenceSettingsSection::make(
    std::shared_ptr<VGXPresenceFeature> feature) {
  auto section = std::make_shared<VGXPresenceSettingsSection>(
      std::make_shared<VGXPresenceSettingsModel>(std::move(feature)));
  section->model_->onChange =
      weakly(section, [](VGXPresenceSettingsSection& shown) { shown.update(); });
  section->toggle_->setAction(weakly(section, [](VGXPresenceSettingsSection& shown) {
    shown.model_->setSwitch(shown.toggle_->isOn());
  }));
  section->update();
  return section;
}

VGXPresenceSettingsSection::VGXPresenceSettingsSection(
    std::shared_ptr<VGXPresenceSettingsModel> model)
    : model_(std::move(model)),
      toggle_(platform::CheckBox::withTitle(VGXPresenceTexts::title())),
      accessLine_(secondaryLine("")),
      footer_(secondaryLine("")) {
  toggle_->setAccessibilityLabel(VGXPresenceTexts::title());
  VGXSettingsSection section(localized("Chat App", "Chat app settings section header"));
  section.addRow(toggle_);
  section.addRow(accessLine_);
  section.addRow(footer_);
  body_ = section.view();
  addSubview(body_);
}

void VGXPresenceSettingsSection::layout() {
  body_->setFrame(bounds());
  body_->setNeedsLayout(true);
}

void VGXPresenceSettingsSection::viewDidMoveToWindow() {
  if (!window()) {
    featureObserver_.reset();
    return;
  }
  featureObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXPresenceFeatureDidChangeNotification, nullptr, &platform::DispatchQueue::main(),
      weakly(this, [](VGXPresenceSettingsSection& shown) { shown.model_->refresh(); }));
  model_->refresh();
}

void VGXPresenceSettingsSection::update() {
  toggle_->setState(model_->switchShown() ? platform::ControlStateValue::On
                                          : platform::ControlStateValue::Off);
  const auto line = model_->accessLine();
  accessLine_->setStringValue(line.value_or(""));
  accessLine_->setHidden(!line);
  footer_->setStringValue(model_->footer());
  body_->setNeedsLayout(true);
  setNeedsLayout(true);
  presentOrDismissSheet();
}

void VGXPresenceSettingsSection::presentOrDismissSheet() {
  const bool wanted = model_->showExplanation();
  if (presented_ && !wanted) {
    const auto shown = presented_;
    presented_.reset();
    if (auto* parent = shown->window()->sheetParent()) parent->endSheet(*shown->window());
  }
  if (!wanted || presented_ || !window()) return;
  presented_ = std::make_shared<VGXPresenceExplanationSheet>(
      model_, weakly(this, [](VGXPresenceSettingsSection& section) {
        if (!section.presented_) return;
        const auto sheet = section.presented_->window();
        section.presented_.reset();
        if (auto* parent = sheet->sheetParent()) parent->endSheet(*sheet);
      }));
  const auto sheetWindow = presented_->window();
  // However the sheet ends, the model lets go of it.
  window()->beginSheet(sheetWindow,
                       weakly(this, [sheetWindow](VGXPresenceSettingsSection& section) {
                         if (!section.presented_ || section.presented_->window() != sheetWindow)
                           return;
                         section.presented_.reset();
                         section.model_->cancelExplanation();
                       }));
}

}  // namespace vigilix
