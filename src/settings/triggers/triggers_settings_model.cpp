#include "settings/triggers/triggers_settings_model.h"

#include <algorithm>
#include <cmath>

#include "hub/trigger_configuration_store.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/base/text.h"
#include "platform/runloop/clock.h"
#include "platform/system/running_applications.h"
#include "platform/system/wifi_interface.h"
#include "settings/triggers/desktop_app_files.h"
#include "settings/triggers/triggers_live_footer.h"

namespace vigilix {

using platform::localized;

VGXTriggersSettingsModel::VGXTriggersSettingsModel(Collaborators collaborators)
    : collaborators_(std::move(collaborators)),
      scheduleStart_(platform::Clock::current().now()),
      scheduleEnd_(scheduleStart_) {}

void VGXTriggersSettingsModel::changed() {
  if (onChange_) onChange_();
}

void VGXTriggersSettingsModel::announce(const std::string& text) {
  // One text is not spoken twice in a row.
  if (lastAnnouncement_ == text) return;
  lastAnnouncement_ = text;
  if (collaborators_.announce) collaborators_.announce(text);
}

void VGXTriggersSettingsModel::load() {
  configuration_ = VGXTriggerConfigurationStore::load(collaborators_.defaults);
  apps_ = AppListModel(configuration_.appBundleIdentifiers,
                       configuration_.frontmostOnlyBundleIdentifiers);
  selectedApp.reset();
  scheduleEnabled_ = configuration_.schedule.has_value();
  if (const auto& schedule = configuration_.schedule) {
    scheduleStart_ = dateForMinuteOfDay(schedule->startMinute);
    scheduleEnd_ = dateForMinuteOfDay(schedule->endMinute);
    validateSchedule(schedule->weekdays, schedule->startMinute, schedule->endMinute);
  }
  const auto& disk = configuration_.diskThresholdBytesPerSecond;
  diskEnabled = disk.has_value();
  diskMBps = disk ? clampedDiskMBps(*disk / kBytesPerMB) : 20.0;
  const auto& network = configuration_.networkThresholdBytesPerSecond;
  networkEnabled = network.has_value();
  cpuEnabled = configuration_.cpuThresholdPercent.has_value();
  networkMBps = network ? clampedNetworkMBps(*network / kBytesPerMB) : 1.0;
  cpuPercent = clampedCPUPercent(configuration_.cpuThresholdPercent.value_or(50));
  refreshWiFiStatus();
  refreshLiveFooter();
  changed();
}

void VGXTriggersSettingsModel::saveConfiguration() {
  VGXTriggerConfigurationStore::save(configuration_, collaborators_.defaults);
  if (collaborators_.hub) collaborators_.hub->reloadConfiguration();
  refreshLiveFooter();
  changed();
}

void VGXTriggersSettingsModel::editConfiguration(
    const std::function<void(TriggerConfiguration&)>& edit) {
  edit(configuration_);
  saveConfiguration();
}

void VGXTriggersSettingsModel::editApps(const std::function<void(AppListModel&)>& edit) {
  edit(apps_);
  saveApps();
}

void VGXTriggersSettingsModel::saveApps() {
  const auto& identifiers = apps_.appIdentifiers();
  if (selectedApp && std::ranges::find(identifiers, *selectedApp) == identifiers.end())
    selectedApp.reset();
  configuration_.appBundleIdentifiers = identifiers;
  configuration_.frontmostOnlyBundleIdentifiers.clear();
  for (const auto& identifier : identifiers)
    if (apps_.isFrontmostOnly(identifier))
      configuration_.frontmostOnlyBundleIdentifiers.push_back(identifier);
  saveConfiguration();
}

void VGXTriggersSettingsModel::applyNetworkAndCPUThresholds() {
  networkMBps = clampedNetworkMBps(networkMBps);
  cpuPercent = clampedCPUPercent(cpuPercent);
  configuration_.networkThresholdBytesPerSecond =
      networkEnabled ? std::optional(networkMBps * kBytesPerMB) : std::nullopt;
  configuration_.cpuThresholdPercent = cpuEnabled ? std::optional(cpuPercent) : std::nullopt;
  saveConfiguration();
}

void VGXTriggersSettingsModel::applyDiskThreshold() {
  diskMBps = clampedDiskMBps(diskMBps);
  configuration_.diskThresholdBytesPerSecond =
      diskEnabled ? std::optional(diskMBps * kBytesPerMB) : std::nullopt;
  saveConfiguration();
}

void VGXTriggersSettingsModel::setScheduleEnabled(bool enabled) {
  scheduleEnabled_ = enabled;
  if (enabled) {
    if (!configuration_.schedule)
      configuration_.schedule = TriggerSchedule{{2, 3, 4, 5, 6}, 540, 1020};
    const TriggerSchedule& schedule = *configuration_.schedule;
    scheduleStart_ = dateForMinuteOfDay(schedule.startMinute);
    scheduleEnd_ = dateForMinuteOfDay(schedule.endMinute);
    validateSchedule(schedule.weekdays, schedule.startMinute, schedule.endMinute);
  } else {
    configuration_.schedule.reset();
  }
  saveConfiguration();
}

void VGXTriggersSettingsModel::applyScheduleTimes() {
  if (!configuration_.schedule) return;
  TriggerSchedule& schedule = *configuration_.schedule;
  const std::int64_t start = minuteOfDay(scheduleStart_);
  const std::int64_t end = minuteOfDay(scheduleEnd_);
  if (!schedule.weekdays.empty() && start == end) {
    // Equal times with weekdays would mean whole days; that is refused here.
    validateSchedule(schedule.weekdays, start, start);
    if (scheduleValidationMessage_) announce(*scheduleValidationMessage_);
    changed();
    return;
  }
  schedule.startMinute = start;
  schedule.endMinute = end;
  validateSchedule(schedule.weekdays, start, end);
  saveConfiguration();
}

void VGXTriggersSettingsModel::setWeekday(int weekday, bool included) {
  if (!configuration_.schedule) return;
  TriggerSchedule& schedule = *configuration_.schedule;
  if (included) {
    schedule.weekdays.insert(weekday);
  } else {
    schedule.weekdays.erase(weekday);
  }
  validateSchedule(schedule.weekdays, schedule.startMinute, schedule.endMinute);
  saveConfiguration();
}

ScheduleValidation VGXTriggersSettingsModel::classifySchedule(
    const std::set<std::int64_t>& weekdays, std::int64_t start, std::int64_t end) {
  if (weekdays.empty()) return ScheduleValidation::noWeekdays;
  if (start == end) return ScheduleValidation::invalidEqualTimes;
  if (end < start) return ScheduleValidation::overnight;
  return ScheduleValidation::valid;
}

void VGXTriggersSettingsModel::validateSchedule(const std::set<std::int64_t>& weekdays,
                                                std::int64_t start, std::int64_t end) {
  switch (classifySchedule(weekdays, start, end)) {
    case ScheduleValidation::noWeekdays:
      scheduleValidationMessage_ = localized("Choose at least one weekday.", "Triggers schedule");
      announce(*scheduleValidationMessage_);
      break;
    case ScheduleValidation::invalidEqualTimes:
      scheduleValidationMessage_ =
          localized("Start and end times can\u2019t be the same.", "Triggers schedule");
      announce(*scheduleValidationMessage_);
      break;
    case ScheduleValidation::overnight:
      scheduleValidationMessage_ = localized("Ends the next day", "Triggers schedule");
      break;
    case ScheduleValidation::valid:
      scheduleValidationMessage_.reset();
      break;
  }
}

std::vector<WeekdayItem> VGXTriggersSettingsModel::weekdayItems() const {
  const platform::Calendar& calendar = collaborators_.calendar;
  const auto shortNames = calendar.shortWeekdaySymbols();
  const auto fullNames = calendar.weekdaySymbols();
  const int first = calendar.firstWeekday();
  std::vector<WeekdayItem> items;
  for (int i = 0; i < 7; ++i) {
    const int weekday = (first - 1 + i) % 7 + 1;
    const auto at = static_cast<std::size_t>(weekday - 1);
    items.push_back({weekday, at < shortNames.size() ? shortNames[at] : std::to_string(weekday),
                     at < fullNames.size() ? fullNames[at] : std::to_string(weekday)});
  }
  return items;
}

platform::Date VGXTriggersSettingsModel::dateForMinuteOfDay(std::int64_t minute) const {
  const platform::Calendar& calendar = collaborators_.calendar;
  const platform::Date now = platform::Clock::current().now();
  auto components = calendar.componentsFromDate(
      platform::CalendarUnit::year | platform::CalendarUnit::month | platform::CalendarUnit::day,
      now);
  components.hour = static_cast<int>(minute / 60);
  components.minute = static_cast<int>(minute % 60);
  components.second = 0;
  return calendar.dateFromComponents(components).value_or(now);
}

std::int64_t VGXTriggersSettingsModel::minuteOfDay(platform::Date date) const {
  const auto components = collaborators_.calendar.componentsFromDate(
      platform::CalendarUnit::hour | platform::CalendarUnit::minute, date);
  return components.hour.value_or(0) * 60 + components.minute.value_or(0);
}

WiFiPermissionState VGXTriggersSettingsModel::wifiState(
    const std::optional<std::string>& networkName) {
  // Reading the network name needs no permission here, and NetworkManager
  // names no network both when Wi-Fi is off and when it is not joined.
  if (networkName && !networkName->empty()) return {WiFiPermissionState::Kind::ready, *networkName};
  return {WiFiPermissionState::Kind::disconnected};
}

void VGXTriggersSettingsModel::refreshWiFiStatus() {
  applyWiFiState(wifiState(platform::WiFiInterface::current().ssid()));
}

void VGXTriggersSettingsModel::applyWiFiState(const WiFiPermissionState& state) {
  using Kind = WiFiPermissionState::Kind;
  const bool showsSettings = state.kind == Kind::denied || state.kind == Kind::restricted ||
                             state.kind == Kind::locationServicesOff;
  std::string text;
  switch (state.kind) {
    case Kind::notRequested:
      text = localized("Location access is needed to read the current Wi-Fi name.",
                       "Wi-Fi permission");
      break;
    case Kind::denied:
    case Kind::restricted:
      text =
          localized("Location access is denied. Other triggers keep working.", "Wi-Fi permission");
      break;
    case Kind::locationServicesOff:
      text =
          localized("Location Services are off. Other triggers keep working.", "Wi-Fi permission");
      break;
    case Kind::wifiOff:
      text = localized("Wi-Fi is turned off.", "Wi-Fi permission");
      break;
    case Kind::disconnected:
      text = localized("Not connected to a Wi-Fi network.", "Wi-Fi permission");
      break;
    case Kind::nameUnreadable:
      text = localized("The current Wi-Fi name isn\u2019t available yet.", "Wi-Fi permission");
      break;
    case Kind::ready:
      text = platform::fillPlaceholders(localized("Current network: %@", "Wi-Fi permission"),
                                        {state.name});
      break;
  }
  if (showsSettings == showsOpenLocationSettings_ && wifiStatusText_ == text) return;
  showsOpenLocationSettings_ = showsSettings;
  wifiStatusText_ = std::move(text);
  changed();
}

void VGXTriggersSettingsModel::addCurrentNetwork() {
  const WiFiPermissionState state = wifiState(platform::WiFiInterface::current().ssid());
  applyWiFiState(state);
  if (state.kind != WiFiPermissionState::Kind::ready) {
    if (wifiStatusText_) announce(*wifiStatusText_);
    return;
  }
  auto& names = configuration_.wifiNetworkNames;
  if (std::ranges::find(names, state.name) != names.end()) return;
  names.push_back(state.name);
  saveConfiguration();
}

std::vector<RunningApp> VGXTriggersSettingsModel::runningApps() {
  std::vector<RunningApp> apps;
  for (auto& app : platform::RunningApplications::current().runningApplications()) {
    if (!app.isRegular || !app.bundleIdentifier) continue;
    const std::string& identifier = *app.bundleIdentifier;
    if (std::ranges::any_of(apps, [&](const RunningApp& listed) {
          return platform::equalsIgnoringCase(listed.identifier, identifier);
        }))
      continue;
    apps.push_back(
        {identifier, app.localizedName.empty() ? identifier : app.localizedName, app.iconName});
  }
  std::ranges::stable_sort(apps, [](const RunningApp& a, const RunningApp& b) {
    return platform::compareIgnoringCase(a.name, b.name) < 0;
  });
  return apps;
}

void VGXTriggersSettingsModel::addApps(const std::vector<std::string>& paths) {
  for (const auto& path : paths)
    if (const auto app = readDesktopAppFile(path)) apps_.add(app->identifier);
  saveApps();
}

bool VGXTriggersSettingsModel::addDroppedApp(const std::string& path) {
  if (!isDesktopFilePath(path)) return false;
  const auto app = readDesktopAppFile(path);
  if (!app) return false;
  apps_.add(app->identifier);
  saveApps();
  return true;
}

bool VGXTriggersSettingsModel::watchDownload(const std::string& path) {
  return collaborators_.hub && collaborators_.hub->watchFileAt(path);
}

std::string VGXTriggersSettingsModel::appRowAccessibilityLabel(
    const std::string& identifier) const {
  const std::string name = AwakeStatusText::defaultAppName(identifier);
  if (!apps_.isFrontmostOnly(identifier)) return name;
  return platform::fillPlaceholders(localized("%@, only while focused", "Triggers app row VO"),
                                    {name});
}

void VGXTriggersSettingsModel::refreshLiveFooter() {
  if (!collaborators_.hub) return;
  const auto& hub = *collaborators_.hub;
  std::string footer =
      triggersLiveFooter(hub.pause(), hub.currentReasons(), hub.statusTextContext());
  if (footer == liveFooter_) return;
  liveFooter_ = std::move(footer);
  changed();
}

}  // namespace vigilix
