#include "settings/general_settings_pane.h"

#include <algorithm>

#include "core/dzl_keys.h"
#include "core/dzl_launch_at_login.h"
#include "health/app_notification_names.h"
#include "menubar/global_shortcut_center.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/system/login_item.h"
#include "settings/closed_lid_settings_slot.h"
#include "settings/settings_accessibility.h"
#include "settings/settings_footer.h"
#include "settings/settings_layout.h"

namespace vigilix {

using platform::CheckBox;
using platform::ControlStateValue;

namespace {

constexpr const char* kShowTimeLeftKey = "run.tarvo.vigilix.ShowTimeLeftInMenuBar";
constexpr const char* kNotifyKey = "run.tarvo.vigilix.NotifyOnAwakeStateChange";
constexpr double kFallbackThreshold = 20;

std::shared_ptr<platform::StackView> row(std::vector<std::shared_ptr<platform::View>> views) {
  auto stack = platform::StackView::make(platform::StackView::Orientation::Horizontal, views);
  stack->setAlignment(platform::StackView::Alignment::Center);
  return stack;
}

const VGXGeneralToggle& toggle(const char* key) {
  const auto& all = generalPaneToggles();
  return *std::ranges::find_if(all, [&](const auto& t) { return std::string(t.key) == key; });
}

}  // namespace

const std::vector<VGXGeneralToggle>& generalPaneToggles() {
  static const std::vector<VGXGeneralToggle> toggles{
      {kDZLActivateOnLaunchKey, false, "Keep Awake When Vigilix Opens"},
      {kDZLClickToKeepAwakeKey, false, "Click to Keep Awake"},
      {kDZLAllowDisplaySleepKey, true, "Allow Display to Sleep"},
      {kShowTimeLeftKey, true, "Show Time Left in Tray"},
      {kVGXStopWhenHotKey, true, "Stop If Your Computer Gets Too Hot"},
      {kDZLBatteryCapacityThresholdEnabledKey, false, "Stop Keeping Awake on Low Battery"},
      {kDZLLowPowerModeMonitoringEnabledKey, false, "Stop Keeping Awake in Low Power Mode"},
      {kNotifyKey, false, "Notify when Vigilix starts or stops keeping your computer awake"},
      {kDZLQuitOnTimerExpirationEnabledKey, false, "Quit Vigilix When a Timed Session Ends"},
      {kDZLDeactivateOnUserSwitchEnabledKey, false, "Stop Keeping Awake When You Switch Users"},
  };
  return toggles;
}

std::vector<int> VGXGeneralSettingsViewController::batteryThresholdOptions(double stored) {
  std::vector<int> options{10, 15, 20, 25, 30, 40, 50, 60, 70, 80, 90};
  if (stored >= 0 && stored <= 100) {
    int whole = static_cast<int>(stored);
    if (std::ranges::find(options, whole) == options.end()) options.push_back(whole);
  }
  std::ranges::sort(options);
  return options;
}

VGXGeneralSettingsViewController::VGXGeneralSettingsViewController(
    platform::UserDefaults& defaults, platform::LoginItem& loginItem,
    VGXGlobalShortcutCenter& shortcuts, std::optional<std::string> commandLineCommand,
    Actions actions)
    : defaults_(defaults),
      loginItem_(loginItem),
      shortcuts_(shortcuts),
      actions_(std::move(actions)),
      scroll_(std::make_shared<platform::ScrollView>()),
      form_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)) {
  // Sections as wide as the pane, so that their text wraps at its edge.
  form_->setAlignment(platform::StackView::Alignment::Fill);
  form_->setSpacing(18);
  form_->setEdgeInsets({20, 30, 20, 30});
  scroll_->setHasVerticalScroller(true);
  scroll_->setDocumentView(form_);
  sections_.reserve(11);

  // Filled by its own feature when it is installed; until then one line.
  if (const auto& makeClosedLid = VGXClosedLidSettingsSlot::section())
    closedLidSection_ = makeClosedLid();
  if (closedLidSection_) {
    form_->addArrangedSubview(closedLidSection_);
  } else {
    auto& closedLid = addSection("Closed Lid", {}, std::nullopt);
    closedLid.section->addRow(secondaryLine("Available in the version from the Vigilix website"));
  }

  auto& startup = addSection("Startup", {kDZLLaunchAtLoginKey},
                             "Automatically opens Vigilix when you start your computer.");
  openAtLogin_ = CheckBox::withTitle("Open at Login");
  openAtLogin_->setAccessibilityLabel("Open at Login");
  openAtLogin_->setAction([this](platform::Control&) {
    bool wanted = openAtLogin_->isOn();
    auto done = wanted ? loginItem_.registerItem() : loginItem_.unregisterItem();
    // A refusal shows what the desktop really has.
    if (!done) refresh();
  });
  startup.section->addRow(openAtLogin_);

  auto& launch =
      addSection(std::nullopt, {kDZLActivateOnLaunchKey, kDZLClickToKeepAwakeKey}, std::nullopt);
  addToggle(launch, toggle(kDZLActivateOnLaunchKey));
  addToggle(launch, toggle(kDZLClickToKeepAwakeKey));

  addShortcutSection();

  auto& display =
      addSection("Display", {kDZLAllowDisplaySleepKey, kShowTimeLeftKey},
                 "Trays show no text beside the icon: this shows the remaining time of a timed "
                 "session in the Vigilix icon's tooltip. The menu's header always shows it.",
                 true);
  addToggle(display, toggle(kDZLAllowDisplaySleepKey));
  addToggle(display, toggle(kShowTimeLeftKey));

  auto& safety = addSection(
      "Safety",
      {kVGXStopWhenHotKey, kDZLBatteryCapacityThresholdEnabledKey, kDZLBatteryCapacityThresholdKey},
      VGXSettingsFooter::combinedSafety, true);
  addToggle(safety, toggle(kVGXStopWhenHotKey));
  addToggle(safety, toggle(kDZLBatteryCapacityThresholdEnabledKey));
  batteryLevel_ = std::make_shared<platform::Stepper>();
  batteryLevel_->setAccessibilityLabel("Battery level");
  // A picker: Tab reaches it and the arrow keys step it.
  batteryLevel_->setRefusesFirstResponder(false);
  batteryLevel_->setAction([this](platform::Control&) {
    auto options = batteryThresholdOptions(
        defaults_.doubleValue(kDZLBatteryCapacityThresholdKey).value_or(kFallbackThreshold));
    auto index = static_cast<std::size_t>(std::max<std::int64_t>(0, batteryLevel_->integerValue()));
    defaults_.set(kDZLBatteryCapacityThresholdKey,
                  static_cast<double>(options[std::min(index, options.size() - 1)]));
    batteryChanged();
  });
  batteryLevelText_ = platform::TextField::labelWithString("");
  batteryRow_ =
      row({platform::TextField::labelWithString("Stop At"), batteryLevelText_, batteryLevel_});
  safety.section->addRow(batteryRow_);

  auto& lowPower = addSection("Low Power Mode", {kDZLLowPowerModeMonitoringEnabledKey},
                              "Turn on the power saver profile in your desktop's power settings.");
  addToggle(lowPower, toggle(kDZLLowPowerModeMonitoringEnabledKey));

  auto& notifications = addSection("Notifications", {kNotifyKey}, std::nullopt);
  addToggle(notifications, toggle(kNotifyKey));

  auto& advanced = addSection(
      "Advanced", {kDZLQuitOnTimerExpirationEnabledKey, kDZLDeactivateOnUserSwitchEnabledKey},
      std::nullopt);
  addToggle(advanced, toggle(kDZLQuitOnTimerExpirationEnabledKey));
  addToggle(advanced, toggle(kDZLDeactivateOnUserSwitchEnabledKey));
  if (commandLineCommand) {
    auto command = platform::TextField::labelWithString(*commandLineCommand);
    command->setSelectable(true);
    command->setFont(
        platform::Font::monospacedDigitSystemFont(platform::Font::smallSystemFontSize()));
    copyButton_ = platform::Button::withTitle("Copy");
    copyButton_->setAction([this, text = *commandLineCommand](platform::Control&) {
      if (actions_.copyText) actions_.copyText(text);
    });
    // The command takes the room the title and the button leave, on more
    // lines when a long path needs them.
    command->setMaximumNumberOfLines(0);
    auto toolRow =
        row({platform::TextField::labelWithString("Command-Line Tool"), command, copyButton_});
    toolRow->setFlexible(*command, true);
    toolRow->setAccessibilityElement(true);
    toolRow->setAccessibilityRole(platform::AccessibilityRole::Group);
    toolRow->setAccessibilityLabel("Command-Line Tool");
    advanced.section->addRow(toolRow);
  }

  auto& health = addSection(std::nullopt, {}, std::nullopt);
  healthButton_ = platform::Button::withTitle("Check Keep-Awake Health…");
  healthButton_->setAction([this](platform::Control&) {
    if (actions_.showHealth) actions_.showHealth();
  });
  health.section->addRow(
      row({platform::TextField::labelWithString("Keep-Awake Health"), healthButton_}));
  welcomeButton_ = platform::Button::withTitle("Show Welcome Again");
  welcomeButton_->setAccessibilityLabel("Show Welcome Again");
  welcomeButton_->setAction([this](platform::Control&) { setShowWelcome(true); });
  health.section->addRow(row({platform::TextField::labelWithString("Welcome"), welcomeButton_}));

  showWelcome_ = !defaults_.boolValue(kDZLDidShowWelcomeKey).value_or(false);
  showWelcomeObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXShowWelcomeNotification, nullptr, nullptr,
      [this](const platform::Notification&) { setShowWelcome(true); });

  refresh();
}

void VGXGeneralSettingsViewController::addShortcutSection() {
  auto& section = addSection(
      "Global Shortcut", {kGlobalShortcutDefaultsKey},
      "Starts or stops keeping your computer awake from any app. Press Esc to cancel recording.");
  shortcutSection_ = section.section.get();
  shortcut_ = shortcuts_.savedShortcut();
  shortcutConflict_ = shortcuts_.conflictMessage();
  recorderRow_ = std::make_unique<VGXShortcutRecorderRow>(
      platform::Binding<std::optional<VGXShortcut>>(
          [this] { return shortcut_; },
          [this](const std::optional<VGXShortcut>& value) { shortcut_ = value; }),
      platform::Binding<bool>([this] { return isRecordingShortcut_; },
                              [this](const bool& recording) {
                                // A forced shortcut cannot be recorded over.
                                isRecordingShortcut_ = recording && !defaults_.objectIsForced(
                                                                        kGlobalShortcutDefaultsKey);
                                refreshShortcutRow();
                              }),
      platform::Binding<std::optional<std::string>>(
          [this] { return shortcutConflict_; },
          [this](const std::optional<std::string>& value) { shortcutConflict_ = value; }),
      [this] { clearShortcut(); },
      [this](std::uint16_t keyCode, std::uint64_t modifiers) {
        recordShortcut(keyCode, modifiers);
      });
  shortcutHost_ = platform::StackView::make(platform::StackView::Orientation::Horizontal, {});
  section.section->addRow(shortcutHost_);
  conflictLine_ = secondaryLine("");
  conflictLine_->setTextColor(platform::Color::systemRed());
  section.section->addRow(conflictLine_);
}

std::shared_ptr<platform::View> VGXGeneralSettingsViewController::shortcutRow() const {
  auto rows = shortcutHost_->arrangedSubviews();
  return rows.empty() ? nullptr : rows.front();
}

void VGXGeneralSettingsViewController::refreshShortcutRow() {
  bool forced = defaults_.objectIsForced(kGlobalShortcutDefaultsKey);
  if (forced) isRecordingShortcut_ = false;
  auto body = recorderRow_->body();
  for (const auto& item : body->subviews()) {
    if (auto* button = dynamic_cast<platform::Button*>(item.get())) button->setEnabled(!forced);
  }
  shortcutHost_->removeAllArrangedSubviews();
  shortcutHost_->addArrangedSubview(body);
  conflictLine_->setStringValue(shortcutConflict_.value_or(""));
  conflictLine_->setHidden(!shortcutConflict_);
  shortcutHost_->setNeedsLayout(true);
  form_->setNeedsLayout(true);
}

void VGXGeneralSettingsViewController::recordShortcut(std::uint16_t keyCode,
                                                      std::uint64_t modifiers) {
  if (shortcuts_.setShortcut(keyCode, modifiers)) {
    shortcut_ = VGXShortcut{static_cast<std::uint16_t>(keyCode & 0xFFFF), modifiers};
    shortcutConflict_.reset();
  } else {
    shortcut_ = shortcuts_.savedShortcut();
    shortcutConflict_ = shortcuts_.conflictMessage();
    if (shortcutConflict_) {
      VGXAccessibility::announceIfChanged(*shortcutHost_, *shortcutConflict_, lastAnnouncement_);
    }
  }
  refreshShortcutRow();
}

void VGXGeneralSettingsViewController::clearShortcut() {
  shortcuts_.clearShortcut();
  shortcut_.reset();
  isRecordingShortcut_ = false;
  refreshShortcutRow();
}

void VGXGeneralSettingsViewController::paneDidAppear() {
  refresh();
  presentWelcomeIfWanted();
}

void VGXGeneralSettingsViewController::setShowWelcome(bool show) {
  showWelcome_ = show;
  if (show) {
    presentWelcomeIfWanted();
  } else {
    hideWelcome();
  }
}

void VGXGeneralSettingsViewController::presentWelcomeIfWanted() {
  auto window = window_.lock();
  if (!showWelcome_ || welcome_ || !window || !window->isVisible()) return;
  welcome_ =
      std::make_unique<VGXWelcomeSheet>([this] { finishWelcome(); }, [this] { dismissWelcome(); });
  window->beginSheet(welcome_->window());
}

void VGXGeneralSettingsViewController::hideWelcome() {
  showWelcome_ = false;
  if (!welcome_) return;
  // The sheet's window outlives its own button's action.
  auto sheet = std::move(welcome_);
  if (auto* parent = sheet->window()->sheetParent()) parent->endSheet(*sheet->window());
  platform::DispatchQueue::main().async(
      [sheet = std::shared_ptr<VGXWelcomeSheet>(std::move(sheet))] {});
}

void VGXGeneralSettingsViewController::finishWelcome() {
  hideWelcome();
  defaults_.set(kDZLDidShowWelcomeKey, true);
  for (auto* window :
       platform::Window::windowsWithFrameAutosaveName(kVGXPreferencesWindowAutosaveName)) {
    window->close();
  }
  platform::NotificationCenter::defaultCenter().post(kVGXOpenStatusMenuNotification);
}

void VGXGeneralSettingsViewController::dismissWelcome() {
  hideWelcome();
  defaults_.set(kDZLDidShowWelcomeKey, true);
}

VGXGeneralSettingsViewController::Section& VGXGeneralSettingsViewController::addSection(
    const std::optional<std::string>& header, std::vector<std::string> keys,
    std::optional<std::string> base, bool managedLineSeparate) {
  Section& section =
      sections_.emplace_back(Section{std::make_unique<VGXSettingsSection>(header), std::move(keys),
                                     std::move(base), managedLineSeparate});
  form_->addArrangedSubview(section.section->view());
  return section;
}

std::shared_ptr<CheckBox> VGXGeneralSettingsViewController::addToggle(
    Section& section, const VGXGeneralToggle& toggle) {
  auto box = CheckBox::withTitle(toggle.title);
  std::string key = toggle.key;
  box->setAction([this, key](platform::Control& sender) {
    defaults_.set(key, static_cast<CheckBox&>(sender).isOn());
    if (key == kDZLBatteryCapacityThresholdEnabledKey ||
        key == kDZLLowPowerModeMonitoringEnabledKey) {
      batteryChanged();
    } else {
      refresh();
    }
  });
  toggles_[key] = box;
  section.section->addRow(box);
  return box;
}

void VGXGeneralSettingsViewController::batteryChanged() {
  refresh();
  platform::NotificationCenter::defaultCenter().post(kVGXBatteryThresholdDidChangeNotification);
}

std::optional<std::string> VGXGeneralSettingsViewController::footerText(
    const Section& section) const {
  if (!section.managedLineSeparate) {
    return VGXSettingsFooter::compose(defaults_, section.keys, section.base);
  }
  auto managed = VGXSettingsFooter::compose(defaults_, section.keys, std::nullopt);
  if (!managed) return section.base;
  return *managed + "\n" + section.base.value_or("");
}

void VGXGeneralSettingsViewController::refresh() {
  for (const auto& t : generalPaneToggles()) {
    const auto& box = toggles_.at(t.key);
    box->setState(defaults_.boolValue(t.key).value_or(t.fallback) ? ControlStateValue::On
                                                                  : ControlStateValue::Off);
    box->setEnabled(!defaults_.objectIsForced(t.key));
  }
  openAtLogin_->setState(loginItem_.status() == platform::LoginItemStatus::enabled
                             ? ControlStateValue::On
                             : ControlStateValue::Off);
  openAtLogin_->setEnabled(!defaults_.objectIsForced(kDZLLaunchAtLoginKey));

  double stored =
      defaults_.doubleValue(kDZLBatteryCapacityThresholdKey).value_or(kFallbackThreshold);
  auto options = batteryThresholdOptions(stored);
  batteryLevel_->setMinValue(0);
  batteryLevel_->setMaxValue(static_cast<double>(options.size() - 1));
  auto at = std::ranges::find(options, static_cast<int>(stored));
  batteryLevel_->setIntegerValue(at == options.end() ? 0 : at - options.begin());
  batteryLevel_->setEnabled(!defaults_.objectIsForced(kDZLBatteryCapacityThresholdKey));
  batteryLevelText_->setStringValue(std::to_string(static_cast<int>(stored)) + "% battery");
  batteryRow_->setHidden(!toggles_.at(kDZLBatteryCapacityThresholdEnabledKey)->isOn());

  refreshShortcutRow();
  for (auto& section : sections_) section.section->setFooter(footerText(section));
  form_->setNeedsLayout(true);
  scroll_->setNeedsLayout(true);
}

std::shared_ptr<CheckBox> VGXGeneralSettingsViewController::toggleFor(
    const std::string& key) const {
  auto found = toggles_.find(key);
  return found == toggles_.end() ? nullptr : found->second;
}

std::optional<std::string> VGXGeneralSettingsViewController::footerFor(
    const std::string& key) const {
  for (const auto& section : sections_) {
    if (std::ranges::find(section.keys, key) != section.keys.end()) {
      const auto& footer = section.section->footer();
      if (footer->isHidden()) return std::nullopt;
      return footer->stringValue();
    }
  }
  return std::nullopt;
}

}  // namespace vigilix
