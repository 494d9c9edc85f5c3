#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "direct/presence/presence_rules.h"
#include "platform/base/date.h"

namespace vigilix {

// The outcome of one attempt: a nudge made (when its return step ran, and
// whether the pointer went back), or no nudge and why.
struct VGXPresenceLastResult {
  enum class Kind { moved, skipped };
  Kind kind = Kind::skipped;
  platform::Date date{};
  bool returned = false;                               // moved only
  VGXPresenceSkip reason = VGXPresenceSkip::disabled;  // skipped only

  static VGXPresenceLastResult moved(platform::Date date, bool returned) {
    return {Kind::moved, date, returned, VGXPresenceSkip::disabled};
  }
  static VGXPresenceLastResult skipped(platform::Date date, VGXPresenceSkip reason) {
    return {Kind::skipped, date, false, reason};
  }
  bool operator==(const VGXPresenceLastResult&) const = default;
};

// Keeps chat apps from marking the user away: every minute, when the rules
// allow it, moves the pointer one point and a tenth of a second later back,
// unless the user took it meanwhile. The display counts its own moves as
// input, so the idle time read after a nudge is taken as going on from
// before it while no later input restarted it. Everything it does to the
// system goes through the functions it is made with. Main thread only.
class VGXPresencePoster : public std::enable_shared_from_this<VGXPresencePoster> {
 public:
  static constexpr double kRepeatInterval = 60.0;
  static constexpr double kReturnDelay = 0.1;
  // How much later than the nudge's return the idle time may have restarted
  // (timers run late) and still count as restarted by the nudge.
  static constexpr double kOwnInputSlack = 1.0;

  using Cancel = std::function<void()>;
  struct Functions {
    std::function<VGXPresenceGates()> gatherGates;
    std::function<std::optional<VGXPoint>()> pointer;
    std::function<VGXRect(VGXPoint)> displayBounds;
    // False when the move could not be posted.
    std::function<bool(VGXPoint)> postMove;
    std::function<Cancel(double, std::function<void()>)> schedule;
    std::function<void()> onAccessRevoked;
    std::function<platform::Date()> now;
  };

  static std::shared_ptr<VGXPresencePoster> make(Functions functions);

  void start();
  void stop();
  // The lock state or the displays changed: a pending return that the gates
  // no longer allow is dropped, leaving the pointer where the nudge put it.
  void gatesChanged(const VGXPresenceGates& gates);
  void setOnResult(std::function<void(const VGXPresenceLastResult&)> onResult) {
    onResult_ = std::move(onResult);
  }

  bool isRunning() const { return running_; }
  const std::optional<VGXPresenceLastResult>& lastResult() const { return lastResult_; }
  std::int64_t postedCount() const { return postedCount_; }

  // "Once a minute while you're away; last nudge 9:41, pointer put back";
  // `formattedTime` is the result's date in the short time style of the
  // user's locale.
  static std::string statusText(const VGXPresenceLastResult& result,
                                const std::string& formattedTime);
  // The result's date in the current locale's short time style.
  static std::string statusText(const VGXPresenceLastResult& result);

 private:
  explicit VGXPresencePoster(Functions functions) : f_(std::move(functions)) {}
  void tick();
  void returnStep();
  void armRepeat();
  void cancelPendingReturn();
  void record(const VGXPresenceLastResult& result);
  bool post(VGXPoint point);
  // The user's idle time, from the one read and the last nudge.
  std::optional<double> userIdleSeconds(std::optional<double> read);

  Functions f_;
  std::optional<VGXPresenceLastResult> lastResult_;
  std::function<void(const VGXPresenceLastResult&)> onResult_;
  bool running_ = false;
  Cancel cancelRepeat_;
  Cancel cancelReturn_;
  std::optional<std::pair<VGXPoint, VGXPoint>> pendingReturn_;
  std::int64_t postedCount_ = 0;
  // When the last nudge was posted, and the user's idle time then.
  struct Nudge {
    platform::Date at;
    double userIdle = 0;
  };
  std::optional<Nudge> lastNudge_;
};

}  // namespace vigilix
