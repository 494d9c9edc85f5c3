#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/hub_composition.h"
#include "hub/trigger_bridge.h"
#include "platform/base/shared_instances.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_user_notifications.h"
#include "testing/test_platform.h"
#include "triggers/scripted_sampler.h"
#include "triggers/system_sample.h"

namespace vigilix::scenarios {

// A machine where nothing happens: every reading is neutral.
class QuietSampler : public SystemSampling {
 public:
  SystemSample sample(const SampleInputs&) override {
    SystemSample sample;
    sample.date = platform::Clock::current().now();
    return sample;
  }
};

// Writes "delegate" into the shared event list when told of a change.
class RecordingDelegate : public VGXTriggerBridgeDelegate {
 public:
  explicit RecordingDelegate(std::vector<std::string>& events) : events_(events) {}
  void triggerBridgeDidChangeSnapshot(VGXTriggerBridge&) override { events_.push_back("delegate"); }

 private:
  std::vector<std::string>& events_;
};

// A hub composed as the application composes it, on virtual time, with the
// standard defaults of the test platform, fake user notices, a scripted
// machine and a recording delegate.
class HubScenario : public ::testing::Test {
 public:
  // The shared global shortcut centre holds the fake hot keys: drop it first.
  ~HubScenario() override {
    hub.reset();
    platform::resetSharedInstances();
  }

  platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }
  platform::Date now() const { return platform.now(); }

  void makeHub() {
    hub = composeHub({.defaults = &defaults(),
                      .resolveBookmark = resolveBookmark,
                      .makeSampler = [machine = machine] { return machine; },
                      .secondsSinceLastInput = secondsSinceLastInput});
    hub->setDelegate(delegate);
  }
  void startHub() {
    if (!hub) makeHub();
    hub->start();
    platform.runUntilIdle();
    events.clear();
  }
  // The manual session ends `offset` seconds from now; none: it has no end.
  void expectSessionEnd(std::optional<double> offset) const {
    const auto end = hub->manualFireDate();
    ASSERT_EQ(end.has_value(), offset.has_value());
    if (end) {
      EXPECT_DOUBLE_EQ(*end - now(), *offset);
    }
  }
  // Seconds until the hub next tells its delegate of its own accord (its
  // tick), found by running virtual time; none within an hour.
  std::optional<double> secondsUntilNextPublish() {
    const int before = count("delegate");
    double waited = 0;
    for (int step = 0; step < 10000 && count("delegate") == before; ++step) {
      const auto next = platform.scheduler().timeUntilNext();
      if (!next || waited + std::max(*next, 0.0) > 3600) return std::nullopt;
      platform.advance(std::max(*next, 0.0));
      waited += std::max(*next, 0.0);
    }
    if (count("delegate") == before) return std::nullopt;
    return waited;
  }
  int count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }

  testing::TestPlatform platform;
  testing::FakeUserNotificationCenter notices;
  testing::FakeHotKeys hotKeys;
  std::vector<std::string> events;
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>(events);
  std::shared_ptr<ScriptedSampler> machine = std::make_shared<ScriptedSampler>();
  // What the hub is composed with; empty: none.
  VGXTriggerBridge::BookmarkResolver resolveBookmark;
  std::function<std::optional<double>()> secondsSinceLastInput;
  std::shared_ptr<VGXTriggerBridge> hub;
};

}  // namespace vigilix::scenarios
