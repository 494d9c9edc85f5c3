#include "menubar/activation_durations_menu.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::MenuItem;

std::shared_ptr<DZLActivationDurationsMenuController> DZLActivationDurationsMenuController::create(
    DZLActivationDurationsController& controller) {
  auto made = std::make_shared<DZLActivationDurationsMenuController>(Passkey{}, controller);
  made->menu_->setDelegate(made);
  return made;
}

DZLActivationDurationsMenuController::DZLActivationDurationsMenuController(
    Passkey, DZLActivationDurationsController& controller)
    : controller_(controller),
      menu_(std::make_shared<platform::Menu>(
          platform::localized("Keep Awake For", "Durations submenu title"))) {}

std::optional<DZLActivationDuration>
DZLActivationDurationsMenuController::checkedActivationDuration(const ManualSessionKind& session) {
  switch (session.kind()) {
    case ManualSessionKind::Kind::duration:
      return DZLActivationDuration(session.total());
    case ManualSessionKind::Kind::indefinite:
      return DZLActivationDuration::indefiniteActivationDuration();
    case ManualSessionKind::Kind::until:
    case ManualSessionKind::Kind::none:
      return std::nullopt;
  }
  return std::nullopt;
}

std::vector<platform::TitleRun>
DZLActivationDurationsMenuController::attributedStringForMenuItemTitle(const std::string& title,
                                                                       bool isDefault) {
  const auto font = platform::Font::monospacedDigitSystemFont(14);
  std::vector<platform::TitleRun> runs{{title + " ", font, platform::Color::label()}};
  if (isDefault) {
    runs.push_back({platform::localized("(Default)", "Mark of the default duration"), font,
                    defaultAttributeTextColor()});
  }
  return runs;
}

std::shared_ptr<MenuItem> DZLActivationDurationsMenuController::makeItem(
    std::string title, void (DZLActivationDurationsMenuController::*action)(MenuItem&)) {
  auto item = std::make_shared<MenuItem>(std::move(title));
  item->setAction(platform::weakly(this, action));
  return item;
}

void DZLActivationDurationsMenuController::menuNeedsUpdate(platform::Menu& menu) {
  menu.removeAllItems();
  const auto delegate = delegate_.lock();
  const auto checked =
      checkedActivationDuration(delegate ? delegate->currentManualSession() : ManualSessionKind());
  const auto defaultDuration = controller_.defaultActivationDuration();
  for (const DZLActivationDuration& duration : controller_.activationDurations()) {
    const std::string title = duration.localizedTitle();
    const std::int64_t tag = wholePositiveSeconds(duration.seconds()).value_or(0);
    const auto state =
        checked == duration ? platform::ControlStateValue::On : platform::ControlStateValue::Off;

    auto choice = makeItem(title, &DZLActivationDurationsMenuController::selectActivationDuration);
    choice->setAttributedTitle(
        attributedStringForMenuItemTitle(title, defaultDuration == duration));
    auto alternate = makeItem(
        platform::fillPlaceholders(
            platform::localized("Set Default: %@", "Option-key menu item; duration"), {title}),
        &DZLActivationDurationsMenuController::setDefaultActivationDuration);
    alternate->setAlternate(true);
    for (const auto& item : {choice, alternate}) {
      item->setTag(tag);
      item->setState(state);
      menu.addItem(item);
    }
  }
  menu.addItem(MenuItem::separatorItem());
  menu.addItem(makeItem(platform::localized("Custom Duration\u2026", "Durations submenu item"),
                        &DZLActivationDurationsMenuController::selectCustomDuration));
}

void DZLActivationDurationsMenuController::selectActivationDuration(MenuItem& sender) {
  if (auto delegate = delegate_.lock()) {
    delegate->activationDurationsMenuControllerDidSelectActivationDuration(
        *this, DZLActivationDuration(static_cast<double>(sender.tag())));
  }
}

void DZLActivationDurationsMenuController::setDefaultActivationDuration(MenuItem& sender) {
  for (const auto& duration : controller_.activationDurations()) {
    if (duration.seconds() == static_cast<double>(sender.tag())) {
      controller_.setDefaultActivationDuration(duration);
      return;
    }
  }
}

void DZLActivationDurationsMenuController::selectCustomDuration(MenuItem& /*sender*/) {
  if (auto delegate = delegate_.lock()) {
    delegate->activationDurationsMenuControllerDidSelectCustomDuration(*this);
  }
}

}  // namespace vigilix
