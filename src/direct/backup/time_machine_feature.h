#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "direct/backup/time_machine_sampler.h"
#include "keepawake/health_line.h"
#include "platform/base/observer_token.h"
#include "platform/defaults/user_defaults.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// What the feature is made from; both may be replaced before the shared
// feature is first made.
struct VGXTimeMachineSeam {
  static std::shared_ptr<const VGXCommandRunning>& runner();
  static double& interval();
};

// Keeps the computer awake while a backup program runs: the sampler's
// latest state becomes the hub's backup reason, or a health line when the
// process table cannot be read. Samples only while the user's rules ask for
// it and the managed policy does not forbid it. Main thread.
class VGXTimeMachineFeature : public std::enable_shared_from_this<VGXTimeMachineFeature> {
 public:
  static constexpr const char* kDisablePolicyKey = "VGXDisableTimeMachineTrigger";

  // Made once from the seam, on the standard defaults and the shared hub.
  static VGXTimeMachineFeature& shared();
  static std::shared_ptr<VGXTimeMachineFeature> make(std::shared_ptr<VGXTimeMachineSampler> sampler,
                                                     platform::UserDefaults& defaults,
                                                     std::function<void()> refreshHub);

  // Fills the hub's reason slot and the health registry and follows the
  // defaults; only the first call does so, every call applies the settings.
  void install();
  void apply(bool refresh);
  void receive(const VGXTimeMachineState& state);
  std::vector<TriggerReason> reasons() const;
  std::vector<VGXHealthLine> healthLines() const;

  bool isWanted() const;
  bool isInstalled() const { return installed_; }
  const VGXTimeMachineSampler& sampler() const { return *sampler_; }

 private:
  VGXTimeMachineFeature(std::shared_ptr<VGXTimeMachineSampler> sampler,
                        platform::UserDefaults& defaults, std::function<void()> refreshHub);
  void defaultsDidChange();

  std::shared_ptr<VGXTimeMachineSampler> sampler_;
  platform::UserDefaults& defaults_;
  std::function<void()> refreshHub_;
  mutable std::mutex lock_;
  std::optional<VGXTimeMachineState> lastState_;
  std::vector<platform::ObserverHandle> observers_;
  bool installed_ = false;
  bool defaultsChangeScheduled_ = false;
};

}  // namespace vigilix
