#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "agents/cli_v2_records.h"
#include "health/incident_log.h"
#include "health/protection_state.h"
#include "keepawake/health_line.h"
#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/power_assertions.h"
#include "platform/runloop/run_loop.h"

namespace vigilix {

// What the verifier reads of the hub, filled by the hub at its start. An
// empty slot reads as false: nothing kept awake, nothing blocked, no
// direct-build features.
struct VGXProtectionVerifierHub {
  std::function<bool()> isAwake;  // the state machine's current snapshot
  std::function<bool()> heatBlocked;
  std::function<bool()> batteryBlocked;
  std::function<bool()> lowPowerModeEnabled;
  std::function<bool()> directAvailable;  // the direct-build composition is installed
};

// The replaceable inputs of a check. An empty pause or intent provider
// stands for the default rule over the hub; every other empty provider
// gives false or nothing (no inspection override: the system's own list).
struct VGXProtectionVerifierProviders {
  std::function<std::optional<VGXPauseReason>()> pause;
  std::function<bool()> closedLidLimit;
  std::function<bool()> closedLidClearFailed;
  std::function<bool()> closedLidArmed;
  std::function<std::optional<bool>()> closedLidHeldFresh;
  std::function<bool()> intent;
  // Observed types and inspection error, in place of the system's list.
  std::function<std::pair<std::optional<std::set<std::string>>, std::optional<std::string>>()>
      inspect;
  std::function<bool()> createFailed;
  std::function<platform::Date()> now;             // empty: the platform clock
  std::function<VGXHealthLine()> migrationResult;  // empty: migrationHealthLine(defaults)
};

// Checks again and again that the protection the application believes it
// holds is in force: the system lists our power assertion of the expected
// type (and, in closed-lid mode, the guard reports a fresh hold). Repairs a
// missing assertion, records a `protectionLost` incident and posts one
// notice per loss, records a `sleptWhileAwake` incident when the machine
// sleeps while it should stay awake, and settles those after 300 s of
// passing checks. Checks run every 30 s (skipped while nothing is wanted or
// wrong), after wake, display and power changes, and on request.
//
// Main thread only. Must be owned by a std::shared_ptr (shared() is): its
// observers, timer, health providers and doctor handler hold it weakly.
// "NSWorkspaceWillSleepNotification" must be posted on the main thread: the
// incident is recorded while the post runs, before the machine sleeps.
class VGXProtectionVerifier : public std::enable_shared_from_this<VGXProtectionVerifier> {
 public:
  static constexpr double kCheckIntervalSeconds = 30.0;
  static constexpr double kSettleSeconds = 300.0;
  // How long an inspection waits for locks just taken or released to reach logind.
  static constexpr double kInspectionWaitSeconds = 1.0;
  static constexpr const char* kAssertionNamePrefix = "Vigilix: ";
  static constexpr const char* kCheckProtectionAction = "checkProtection";
  static constexpr const char* kDismissIncidentsAction = "dismissIncidents";
  static constexpr const char* kMigrationVersionKey = "VGXContainerMigrationVersion";

  using ExpectedTypes = std::function<std::vector<platform::LockKind>()>;

  // The incident log lives in `defaults` under "VGXIncidentLog".
  explicit VGXProtectionVerifier(platform::UserDefaults& defaults);
  ~VGXProtectionVerifier();
  VGXProtectionVerifier(const VGXProtectionVerifier&) = delete;
  VGXProtectionVerifier& operator=(const VGXProtectionVerifier&) = delete;

  // Over the standard defaults; created on first use.
  static VGXProtectionVerifier& shared();

  void setHub(VGXProtectionVerifierHub hub) { hub_ = std::move(hub); }
  VGXProtectionVerifierProviders& providers() { return providers_; }

  // Every call replaces the three functions; the first also starts
  // observing, registers the health lines and the doctor verb, and checks.
  void startWithExpectedTypes(ExpectedTypes expected, std::function<bool()> repair,
                              std::function<void()> changed);
  // One check; nothing before start, nothing while a check runs.
  void check();
  // A check when the gathered inputs differ from the last check's.
  void inputsDidChange();
  // The 30 s tick.
  void periodicCheck();
  // On will-sleep.
  void recordSleepIncident();
  // Acknowledges `sleptWhileAwake` incidents after 300 s of passing checks;
  // true when it did.
  bool settleSleepIncidents();
  // Acknowledges every incident, then tells the application.
  void dismissIncidents();

  const VGXProtectionState& state() const { return state_; }
  VGXIncidentLog& incidentLog() { return incidentLog_; }
  const std::optional<std::set<std::string>>& observed() const { return observed_; }
  bool hasAttention() const;
  // The status menu header's line, localized; none when all is well.
  std::optional<std::string> reasonLine() const;

  // Keep Awake, Protection, Keep-Awake Requests, Incidents, migration,
  // Managed Settings.
  std::vector<VGXHealthLine> healthLines() const;
  // The closed-lid helper's "Not available in this version" line unless it exists.
  static std::vector<VGXHealthLine> storeBuildHealthLines(bool directAvailable);
  // The marker is 1 both after a move and when there was no previous version:
  // `previousVersionFound` false tells the second apart.
  static VGXHealthLine migrationHealthLine(const platform::UserDefaults& defaults,
                                           bool previousVersionFound = true);
  // Every registered health line as JSON, after a fresh check when the
  // verifier (may be null) still exists; `error` when a line is an error or
  // the lines cannot be written. Main thread (the server's handle runs on the
  // main queue). Bytes of a line that are not UTF-8 show as U+FFFD.
  static VGXCLIv2Reply doctorReply(VGXProtectionVerifier* verifier, const VGXCLIv2Request& request);

  // The lid, from the platform; none counts as open.
  static std::optional<bool> readClamshellState();
  // The type a kind is shown as: the logind lock it takes ("logind lock sleep (block)", ...).
  static std::string assertionTypeName(platform::LockKind kind);
  // The type of one of our locks, named "Vigilix: ..."; none for anything else.
  static std::optional<std::string> ownAssertionType(const platform::Lock& lock);

 private:
  std::optional<VGXPauseReason> currentPause() const;
  bool currentIntent() const;
  platform::Date now() const;
  VGXProtectionInputs gatherInputs() const;
  void inspectAssertions();
  void startObserving();
  void registerHealth();
  // An empty slot says false.
  static bool says(const std::function<bool()>& slot) { return slot && slot(); }

  VGXProtectionVerifierHub hub_;
  VGXProtectionVerifierProviders providers_;
  platform::UserDefaults& defaults_;

  VGXProtectionState state_;
  VGXIncidentLog incidentLog_;
  ExpectedTypes expected_;
  std::function<bool()> repair_;
  std::function<void()> changed_;
  std::shared_ptr<platform::Timer> timer_;
  std::vector<platform::ObserverHandle> observers_;
  std::optional<std::set<std::string>> observed_;
  std::optional<std::string> inspectionError_;
  bool checking_ = false;
  bool started_ = false;
  std::optional<VGXProtectionInputs> lastEligibility_;
  std::optional<platform::Date> passingSince_;
};

}  // namespace vigilix
