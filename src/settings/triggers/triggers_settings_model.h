#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/date.h"
#include "platform/defaults/user_defaults.h"
#include "platform/locale/calendar.h"
#include "settings/triggers/app_list_model.h"
#include "settings/triggers/triggers_settings_hub.h"
#include "triggers/trigger_configuration.h"

namespace vigilix {

// The Wi-Fi condition's reading. No location permission exists on Linux, so
// the permission states never arise from the live reader; they stay for
// readers that have one.
struct WiFiPermissionState {
  enum class Kind {
    ready,
    notRequested,
    denied,
    restricted,
    locationServicesOff,
    wifiOff,
    disconnected,
    nameUnreadable
  };
  Kind kind = Kind::disconnected;
  std::string name{};  // ready only

  bool operator==(const WiFiPermissionState&) const = default;
};

// One weekday toggle of the schedule editor.
struct WeekdayItem {
  int weekday = 1;  // 1 = Sunday ... 7 = Saturday
  std::string abbreviation;
  std::string fullName;

  bool operator==(const WeekdayItem&) const = default;
};

enum class ScheduleValidation { valid, overnight, invalidEqualTimes, noWeekdays };

// An application offered when adding apps.
struct RunningApp {
  std::string identifier;
  std::string name;
  std::string iconName{};  // icon-theme name; empty: none known

  bool operator==(const RunningApp&) const = default;
};

// The model behind the Triggers pane: an editable copy of the trigger rules
// in friendlier units, written back through the store after every change,
// after which the hub reloads. Main thread only.
class VGXTriggersSettingsModel {
 public:
  static constexpr double kBytesPerMB = 1'000'000;

  struct Collaborators {
    platform::UserDefaults& defaults;
    std::shared_ptr<TriggersSettingsHub> hub;
    // Speaks a text to accessibility (the pane posts it on its view).
    std::function<void(const std::string&)> announce = {};
    platform::Calendar calendar = platform::Calendar::current();
  };

  explicit VGXTriggersSettingsModel(Collaborators collaborators);

  // Called after every change of a published field.
  void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

  // Published fields.
  const TriggerConfiguration& configuration() const { return configuration_; }
  const AppListModel& apps() const { return apps_; }
  bool scheduleEnabled() const { return scheduleEnabled_; }
  platform::Date scheduleStart() const { return scheduleStart_; }
  platform::Date scheduleEnd() const { return scheduleEnd_; }
  const std::optional<std::string>& scheduleValidationMessage() const {
    return scheduleValidationMessage_;
  }
  bool advancedExpanded = false;
  bool networkEnabled = false;
  bool cpuEnabled = false;
  bool diskEnabled = false;
  double diskMBps = 20.0;
  double networkMBps = 1.0;
  double cpuPercent = 50.0;
  const std::string& liveFooter() const { return liveFooter_; }
  const std::optional<std::string>& wifiStatusText() const { return wifiStatusText_; }
  bool showsOpenLocationSettings() const { return showsOpenLocationSettings_; }
  std::optional<std::string> selectedApp;

  void load();
  // Stores the configuration, has the hub reload, refreshes the footer.
  void saveConfiguration();
  // Edits of the configuration's plain fields (toggles, sustain, Wi-Fi
  // names) go through here, then save.
  void editConfiguration(const std::function<void(TriggerConfiguration&)>& edit);

  // App list edits; each saves.
  void editApps(const std::function<void(AppListModel&)>& edit);
  void saveApps();

  void applyNetworkAndCPUThresholds();
  void applyDiskThreshold();

  void setScheduleEnabled(bool enabled);
  void setScheduleStart(platform::Date date) { scheduleStart_ = date; }
  void setScheduleEnd(platform::Date date) { scheduleEnd_ = date; }
  void applyScheduleTimes();
  void setWeekday(int weekday, bool included);
  static ScheduleValidation classifySchedule(const std::set<std::int64_t>& weekdays,
                                             std::int64_t start, std::int64_t end);
  void validateSchedule(const std::set<std::int64_t>& weekdays, std::int64_t start,
                        std::int64_t end);
  // The seven weekdays in the calendar's week order.
  std::vector<WeekdayItem> weekdayItems() const;
  platform::Date dateForMinuteOfDay(std::int64_t minute) const;
  std::int64_t minuteOfDay(platform::Date date) const;

  // Wi-Fi: the network name comes from NetworkManager.
  static WiFiPermissionState wifiState(const std::optional<std::string>& networkName);
  void refreshWiFiStatus();
  void applyWiFiState(const WiFiPermissionState& state);
  void addCurrentNetwork();

  // Desktop applications now running, one per identifier, sorted by name.
  static std::vector<RunningApp> runningApps();
  // Paths the user picked in the "Add…" panel; confirmed only.
  void addApps(const std::vector<std::string>& paths);
  // A dropped item: only ".desktop" files are taken. True when taken.
  bool addDroppedApp(const std::string& path);
  // False when the hub refuses; the pane then shows the alert.
  bool watchDownload(const std::string& path);
  std::string appRowAccessibilityLabel(const std::string& identifier) const;

  void refreshLiveFooter();

 private:
  void changed();
  void announce(const std::string& text);

  Collaborators collaborators_;
  std::function<void()> onChange_;
  TriggerConfiguration configuration_ = TriggerConfiguration::defaultConfiguration();
  AppListModel apps_;
  bool scheduleEnabled_ = false;
  platform::Date scheduleStart_;
  platform::Date scheduleEnd_;
  std::optional<std::string> scheduleValidationMessage_;
  std::string liveFooter_;
  std::optional<std::string> wifiStatusText_;
  bool showsOpenLocationSettings_ = false;
  std::optional<std::string> lastAnnouncement_;
};

}  // namespace vigilix
