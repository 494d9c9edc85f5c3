#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "health/app_notification_names.h"
#include "hub/hub_agent_holds.h"
#include "hub/hub_command_line.h"
#include "hub/hub_control_share.h"
#include "hub/hub_pickers.h"
#include "hub/hub_platform.h"
#include "hub/hub_policy.h"
#include "hub/hub_power_inputs.h"
#include "hub/hub_session_notices.h"
#include "hub/hub_shortcut.h"
#include "hub/hub_trigger_monitor.h"
#include "hub/trigger_configuration_store.h"
#include "keepawake/awake_controller.h"
#include "keepawake/awake_state.h"
#include "keepawake/focus_mode.h"
#include "menubar/awake_status_text.h"
#include "platform/base/date.h"
#include "platform/base/observer_token.h"
#include "platform/base/property_value.h"
#include "platform/base/uuid.h"
#include "platform/defaults/user_defaults.h"
#include "triggers/file_completion_detector.h"
#include "triggers/trigger_decision.h"
#include "triggers/trigger_reason.h"
#include "triggers/watch.h"

namespace vigilix {

namespace platform {
class DispatchProcessSource;
class Timer;
}  // namespace platform

class VGXTriggerBridge;
class VGXWatchStore;

// Told after every change of the keep-awake state (the application controller).
class VGXTriggerBridgeDelegate {
 public:
  virtual ~VGXTriggerBridgeDelegate() = default;
  virtual void triggerBridgeDidChangeSnapshot(VGXTriggerBridge& bridge) = 0;
};

// Short names for the hub's code; each text is defined once, where it lives.
inline constexpr const char* kAwakeStateDidChangeNotification = kVGXAwakeStateDidChangeNotification;
inline constexpr const char* kWatchesChangedNotification = "run.tarvo.vigilix.WatchesChanged";
inline constexpr const char* kWatchFinishedNotification = kVGXWatchFinishedNotification;

// The effective battery threshold, the one rule every reader in the hub uses:
// a stored "run.tarvo.vigilix.BatteryCapacityThreshold" of 0 or less (or none,
// or not a number) gives 20; any other value is raised to at least 10.
double effectiveBatteryThreshold(const platform::UserDefaults& defaults);

// "VGXStopWhenHot" when it holds a Boolean; true when absent or anything else.
bool stopWhenHotSetting(const platform::UserDefaults& defaults);

// What the hub reaches outside itself, one small interface per neighbour,
// built and handed in by the application's composition. An empty one means
// the neighbour is absent.
struct VGXHubNeighbours {
  // Must be filled: the hub has no other way to the platform.
  VGXHubPlatform platform;
  std::shared_ptr<HubAgentHolds> agentHolds = {};
  std::shared_ptr<HubCommandLine> commandLine = {};
  std::shared_ptr<HubControlShare> controlShare = {};
  HubTriggerMonitor::Maker makeTriggerMonitor = {};
  std::shared_ptr<HubPolicy> policy = {};
  std::shared_ptr<HubPowerInputs> power = {};
  std::shared_ptr<HubSessionNotices> sessionNotices = {};
  std::shared_ptr<HubShortcut> shortcut = {};
  std::shared_ptr<HubPickers> pickers = {};
  // Seconds since the last input event of any kind; none when unknown.
  // Without it the hub neither restarts a session on activity nor ticks for it.
  std::function<std::optional<double>()> secondsSinceLastInput = {};
  // The protection verifier's reason line, which the header shows first.
  std::function<std::optional<std::string>()> protectionReasonLine = {};
};

// The coordination hub: owns the keep-awake state machine, wires every source
// of keep-awake into it (commands, triggers, watches, agent holds, Focus,
// battery, Low Power Mode, heat, command-line and Control Center requests)
// and ends every change in persistAndPublish.
//
// Main thread only, except where a member says otherwise. Owned by a
// shared_ptr (create() and shared() give one): every observer, timer and
// callback holds it weakly and does nothing once it is gone.
class VGXTriggerBridge : public std::enable_shared_from_this<VGXTriggerBridge> {
 public:
  // Resolves saved bookmark data to a path; none on any error.
  using BookmarkResolver = std::function<std::optional<std::string>(const platform::Bytes&)>;

  // Process-wide slots that features of other subsystems fill at launch.
  // Each is read at the moment of use; an empty slot means the feature is
  // absent. Main thread.
  struct Slots {
    // Reasons added to the trigger monitor's while automatic keep-awake is
    // enabled (a running backup program).
    std::function<std::vector<TriggerReason>()> extraTriggerReasonsProvider;
    // Called each time a manual session begins (closed-lid mode re-arms).
    std::function<void()> manualSessionStartHook;
    // Called after each re-application of the managed policy that a policy
    // change asked for (chat presence re-evaluates).
    std::function<void()> policyChangeHook;
  };

  static constexpr const char* awakeStateDefaultsKey = "run.tarvo.vigilix.AwakeState";
  static constexpr double kTickInterval = 60;
  static constexpr double kRestartOnActivityInterval = 30;
  static constexpr double kTickTolerance = 0.05;
  static constexpr double kWatchCheckInterval = 5.0;
  static constexpr double kWatchQuietSeconds = 60;
  static constexpr double kFifteenMinutes = 900;
  // How far ahead a duration or date handed to the hub may reach.
  static constexpr double kMaximumAheadSeconds = 10 * 365.25 * 86400;

  // The hub of the process, made on first use by what the application's
  // composition installed with makeSharedWith. Reaching it before that is a
  // fault of the program: it ends, saying so.
  static VGXTriggerBridge& shared();
  static std::shared_ptr<VGXTriggerBridge> sharedPointer();
  using SharedMaker = std::function<std::shared_ptr<VGXTriggerBridge>()>;
  static void makeSharedWith(SharedMaker make);
  // Any thread; the slots themselves are read on the main thread.
  static Slots& slots();

  // The designated creation: fields, restore of the saved state, registered
  // defaults, the one-time migration, automation, policy. Starts nothing.
  static std::shared_ptr<VGXTriggerBridge> create(platform::UserDefaults& defaults,
                                                  BookmarkResolver resolveBookmark,
                                                  VGXHubNeighbours neighbours);
  ~VGXTriggerBridge();
  VGXTriggerBridge(const VGXTriggerBridge&) = delete;
  VGXTriggerBridge& operator=(const VGXTriggerBridge&) = delete;

  // Sets everything up, in a fixed order; again: reloads and refreshes only.
  void start();

  std::shared_ptr<VGXTriggerBridgeDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<VGXTriggerBridgeDelegate> delegate) {
    delegate_ = std::move(delegate);
  }

  // Input that enters the hub from outside. A duration that is not a
  // finite number is refused (none, logged under `caller`); one reaching
  // more than kMaximumAheadSeconds past `now` is cut to that. The same rule,
  // with acceptedDate, for every road into the hub.
  static std::optional<double> acceptedDuration(double seconds, platform::Date now,
                                                std::string_view caller);

  // Commands.
  void keepAwakeIndefinitely();
  // 0 or less: indefinite. Refused when not finite.
  void keepAwakeForDuration(double seconds);
  void keepAwakeUntil(platform::Date date);
  void keepAwakeForDefaultDuration();
  void extendManualSessionBy(double seconds);
  void extendOrRestartFifteenMinutes();
  void stopKeepingAwake();
  void toggleKeepAwake();
  void endManualSession();
  void resumeTriggers();
  void pauseOrResumeTriggers();
  void setAutomationEnabled(bool enabled);
  void reloadConfiguration();
  void tickNow();
  void handleWakeOrClockChange();
  void presentCustomDurationPicker();
  void presentUntilPicker();
  void presentDownloadPanel();
  // The Focus filter's entry: stores, writes and re-evaluates the Focus mode.
  void setFocusMode(VGXFocusMode mode);

  // Watches.
  bool watchFileAt(const std::string& path);
  bool watchAppWithProcessIdentifier(std::int32_t processIdentifier);
  bool watchProcessWithPid(std::int32_t pid, const std::string& label);
  void unwatchProcessWithPid(std::int32_t pid);
  void cancelWatchWithIDString(const std::string& idString);

  // Queries (each reads the live state machine).
  bool isAwake() const;
  bool isBlocked() const;
  bool isHeatBlocked() const;
  bool isBatteryBlocked() const;
  bool isLowPowerModeBlocked() const;
  bool isAutomationEnabled() const;
  bool isManualSession() const;
  std::optional<platform::Date> manualFireDate() const;
  std::string headerReasonLine() const;
  std::string assertionReason() const;
  // What the status texts read besides the state, taken now: every text of
  // one question describes the same moment.
  StatusTextContext statusTextContext() const;
  AwakeSnapshot snapshot() const { return controller_.snapshot(); }
  const AwakeController& controller() const { return controller_; }

  // Triggers.
  void refresh(platform::Date now);
  void refreshNow() { refresh(now()); }
  // The stored rules, decoded again only when their stored value changed.
  const TriggerConfiguration& triggerConfiguration() const;
  // The decision the trigger monitor last handed over; (false, []) while it
  // does not run.
  const TriggerDecision& currentDecision() const { return decision_; }

  // Any thread; a change re-applies the policy on the main thread.
  void setIsPresencePosting(bool posting);

  // The live watches, for the menus.
  const std::vector<Watch>& activeWatches() const { return activeWatches_; }

 private:
  struct Passkey {};

 public:
  VGXTriggerBridge(Passkey, platform::UserDefaults& defaults, BookmarkResolver resolveBookmark,
                   VGXHubNeighbours neighbours);

 private:
  platform::Date now() const;
  // Runs `fn` with the hub on the main queue, unless the hub is gone by then.
  void later(std::function<void(VGXTriggerBridge&)> fn);
  // The rule of acceptedDuration for a date.
  static std::optional<platform::Date> acceptedDate(platform::Date date, platform::Date now,
                                                    std::string_view caller);
  static std::string appDisplayName(const std::string& bundleIdentifier);

  // Creation.
  void finishCreation();
  void migrateExternalDisplayTrigger();
  void synchroniseAutomation();

  // Start.
  void installObservers();
  void updatePowerInputs(platform::Date now);
  void evaluateFocusMode(platform::Date now);
  void startThermalObservation();
  // Follows the thermal state only while heat can change what is published.
  void followThermalStateWhileItMatters(const AwakeSnapshot& snapshot);
  void startPolicyWatcher();
  void startAgentHolds();
  void connectFrontEnds();
  void makeTriggerMonitor(const TriggerConfiguration& configuration);
  VGXBatterySample batterySample() const;
  platform::ThermalState thermalLevel() const;
  // Hands a changed configuration to the monitor (any configuration when
  // `evaluate`, which evaluates at once) and runs the monitor only while
  // automation is on.
  void followTriggerConfiguration(bool evaluate);
  void triggerDecisionDidChange(const TriggerDecision& decision);

  // Policy. Any thread: work off the main thread moves to the main queue.
  void applyPolicy(platform::Date now);
  bool isPresencePosting() const { return isPresencePosting_.load(); }
  // The text the policy application compares with the last one applied.
  std::string policySignature() const;
  // "VGXRestartTimerOnActivity" is on and chat presence is not moving the pointer.
  bool wantsRestartOnActivity() const;
  void policyDidChange();

  // Tick and publish.
  void tick();
  void persistAndPublish(platform::Date now);
  void handleDefaultsChange();
  void thermalStateDidChange();
  void scheduleTickTimer(platform::Date now);
  void applyRestartOnActivity(platform::Date now);
  void applyHeatRule(platform::ThermalState thermal, platform::Date now);
  void defaultsDidChange();

  // Commands.
  void beginManualSession();
  // The stop road shared by stopKeepingAwake, toggleKeepAwake and the
  // Control Center off request.
  void stopPath();
  void startIndefiniteSession(platform::Date now);

  // Writes under isApplyingDefaults, so the hub does not take its own writes
  // for the user's.
  void writeOwnDefaults(const std::function<void()>& write);

  // Watches.
  // Sets every saved watch to stopped and ends every live watch.
  void endAllWatches();
  // The settings-change pass: ends live file and app watches whose saved
  // entry exists and is not active.
  void pruneWatchesAfterSettingsChange();
  void removeWatch(const platform::UUID& id);
  void restoreWatches();
  void watchesDidChange();
  void evaluateWatches();
  std::vector<TriggerReason> watchReasons() const;
  // Whether the process runs: by the exit source that follows it for a
  // watch, else by a fresh one. Unlike signal 0, a source never takes a new
  // process that reused the identifier for the watched one.
  bool isWatchedProcessAlive(std::int32_t pid);
  // Follows the process's exit while a live app or process watch has it.
  void followProcess(std::int32_t pid);
  void unfollowProcessIfUnwatched(std::int32_t pid);

  VGXWatchStore& watchStore();
  void pauseTriggersForOneHour();

  // Requests from other processes.
  void installCLIObserver();
  void installControlObserver();
  // The command-line request's text, decoded once; posts the reply when
  // there is one.
  void handleCLIRequest(const std::optional<std::string>& object);
  void handleControlRequest(bool value);
  // Any thread: the agent-hold controller's change callback.
  void agentHoldsDidChange(std::vector<TriggerReason> reasons);
  std::optional<std::string> processCLITextRequest(const std::string& text);

  std::weak_ptr<VGXTriggerBridgeDelegate> delegate_;
  AwakeController controller_;
  std::vector<Watch> activeWatches_;
  std::map<std::string, platform::Bytes> watchBookmarks_;
  std::map<platform::UUID, std::string> watchURLs_;
  std::set<platform::UUID> scopedWatchIDs_;
  std::map<platform::UUID, FileCompletionDetector> watchDetectors_;
  std::shared_ptr<platform::Timer> watchTimer_;
  std::unique_ptr<VGXWatchStore> watchStore_;
  VGXHubNeighbours neighbours_;
  const VGXHubPlatform& platform_ = neighbours_.platform;
  std::unique_ptr<HubTriggerMonitor> monitor_;
  bool started_ = false;
  bool monitorRuns_ = false;
  TriggerConfiguration monitorConfiguration_;
  TriggerDecision decision_;
  // The stored value the cached rules were decoded from.
  mutable std::optional<platform::PropertyValue> configurationSource_;
  mutable TriggerConfiguration configuration_ = TriggerConfiguration::defaultConfiguration();
  std::shared_ptr<platform::Timer> tickTimer_;
  platform::ObserverHandle defaultsObserver_;
  std::vector<platform::ObserverHandle> workspaceObservers_;
  std::vector<platform::ObserverHandle> notificationObservers_;
  platform::UserDefaults& defaults_;
  BookmarkResolver resolveBookmark_;
  bool isApplyingDefaults_ = false;
  // The stored Focus mode and the last outcome published.
  FocusModeTracker focus_;
  platform::ObserverHandle cliObserver_;
  platform::ObserverHandle controlObserver_;
  platform::ObserverHandle thermalObserver_;
  platform::ObserverHandle thermalFollower_;
  std::atomic<bool> isPresencePosting_ = false;
  std::map<std::int32_t, int> processWatchClients_;
  struct WatchedProcess {
    std::shared_ptr<platform::DispatchProcessSource> source;
    bool exited = false;
  };
  std::map<std::int32_t, WatchedProcess> watchedProcesses_;
  bool defaultsChangeScheduled_ = false;
  std::string lastPolicySignature_;
};

}  // namespace vigilix
