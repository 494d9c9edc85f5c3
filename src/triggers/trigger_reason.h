#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vigilix {

// Why the computer is kept awake automatically. A plain value: the payload is the
// one text some cases carry (bundle identifier, name or tool); cases without
// a payload always hold an empty text, so equality and hashing by case and
// payload are exact.
class TriggerReason {
 public:
  enum class Kind {
    appRunning,
    watchedFile,
    watchedApp,
    wifiNetwork,
    agent,
    powerAdapter,
    externalDisplay,
    inCall,
    audioPlaying,
    diskActivity,
    networkActivity,
    cpuUsage,
    schedule,
    focus,
    timeMachine,
  };

  static TriggerReason appRunning(std::string bundleIdentifier) {
    return {Kind::appRunning, std::move(bundleIdentifier)};
  }
  static TriggerReason watchedFile(std::string name) {
    return {Kind::watchedFile, std::move(name)};
  }
  static TriggerReason watchedApp(std::string bundleIdentifier) {
    return {Kind::watchedApp, std::move(bundleIdentifier)};
  }
  static TriggerReason wifiNetwork(std::string name) {
    return {Kind::wifiNetwork, std::move(name)};
  }
  static TriggerReason agent(std::string tool) { return {Kind::agent, std::move(tool)}; }
  static TriggerReason powerAdapter() { return {Kind::powerAdapter, {}}; }
  static TriggerReason externalDisplay() { return {Kind::externalDisplay, {}}; }
  static TriggerReason inCall() { return {Kind::inCall, {}}; }
  static TriggerReason audioPlaying() { return {Kind::audioPlaying, {}}; }
  static TriggerReason diskActivity() { return {Kind::diskActivity, {}}; }
  static TriggerReason networkActivity() { return {Kind::networkActivity, {}}; }
  static TriggerReason cpuUsage() { return {Kind::cpuUsage, {}}; }
  static TriggerReason schedule() { return {Kind::schedule, {}}; }
  static TriggerReason focus() { return {Kind::focus, {}}; }
  static TriggerReason timeMachine() { return {Kind::timeMachine, {}}; }

  Kind kind() const { return kind_; }
  // The bundle identifier, name or tool; empty for cases without a payload.
  const std::string& payload() const { return payload_; }
  // True for appRunning, watchedFile, watchedApp, wifiNetwork and agent.
  static bool kindHasPayload(Kind kind);

  bool operator==(const TriggerReason&) const = default;

 private:
  TriggerReason(Kind kind, std::string payload) : kind_(kind), payload_(std::move(payload)) {}

  Kind kind_;
  std::string payload_;
};

}  // namespace vigilix

template <>
struct std::hash<vigilix::TriggerReason> {
  std::size_t operator()(const vigilix::TriggerReason& reason) const noexcept {
    std::size_t h = std::hash<std::string>{}(reason.payload());
    return h ^
           (static_cast<std::size_t>(reason.kind()) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
  }
};
