#pragma once

// The machine, the guard client and the helper around a closed-lid
// controller in the tests: each fact a case may change, each effect counted.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "closedlid/closed_lid_controller.h"
#include "closedlid/closed_lid_settings.h"
#include "testing/test_user_defaults.h"

namespace vigilix {

namespace Keys = VGXClosedLidKeys;

struct ArmCall {
  bool armed;
  bool userInitiated;
  int floor;
  int cap;
  bool operator==(const ArmCall&) const = default;
};

class FakeGuardLink final : public VGXClosedLidGuardLink {
 public:
  void setArmed(bool armed, bool userInitiated, int floor, int cap) override {
    calls.push_back({armed, userInitiated, floor, cap});
  }
  VGXGuardClientReading reading() const override { return value; }
  VGXGuardClientReading value{.ready = true, .status = std::nullopt, .executableSHA256 = {}};
  std::vector<ArmCall> calls;
};

class FakeHelperLink final : public VGXClosedLidHelperLink {
 public:
  VGXLidRegistration registration() override { return state; }
  void registerHelper(Completion completion) override {
    ++registers;
    if (!registerFailure) state = afterRegister;
    completion(registerFailure);
  }
  void requestApproval() override { ++approvalRequests; }
  void install(Completion completion) override { installs.push_back(std::move(completion)); }
  void uninstall(Completion completion) override { uninstalls.push_back(std::move(completion)); }

  VGXLidRegistration state = VGXLidRegistration::enabled;
  VGXLidRegistration afterRegister = VGXLidRegistration::enabled;
  std::optional<std::string> registerFailure;
  int registers = 0;
  int approvalRequests = 0;
  std::vector<Completion> installs;
  std::vector<Completion> uninstalls;
};

// The machine and application around the controller; every fact a row may change.
struct World {
  bool featureEnabled = true;
  bool policyDisabled = false;
  bool platformSupported = true;
  bool guardJobFile = false;
  platform::LidReading lid{platform::LidPresence::hasLid, false};
  bool awake = true;
  bool manual = true;
  std::optional<bool> safe = true;
  std::optional<std::string> installedHash = "abc";
  std::uint64_t now = 100'000'000'000ULL;

  std::vector<ClosedLidLatchCause> latchNotices;
  int lidOpenedNotices = 0;
  int sessionsEnded = 0;
  int locks = 0;
  bool confirm = true;
  int confirmations = 0;
  int retryOffers = 0;
};

class ClosedLidTest : public ::testing::Test {
 protected:
  ClosedLidTest() { defaults.set(Keys::enabled, true); }

  VGXClosedLidInputs inputs() {
    VGXClosedLidInputs in;
    in.featureEnabled = [this] { return world.featureEnabled; };
    in.isStoreBuild = [] { return false; };
    in.platformSupported = [this] { return world.platformSupported; };
    in.policyDisabled = [this] { return world.policyDisabled; };
    in.installedInPlace = [] { return true; };
    in.guardJobFilePresent = [this] { return world.guardJobFile; };
    in.lid = [this] { return world.lid; };
    in.effectiveAwake = [this] { return world.awake; };
    in.isManualSession = [this] { return world.manual; };
    in.safetyOK = [this](int) { return world.safe; };
    in.hashGuardBinary = [this] { return world.installedHash; };
    in.nowNanoseconds = [this] { return world.now; };
    in.uid = 1000;
    return in;
  }

  VGXClosedLidEffects effects() {
    VGXClosedLidEffects out;
    out.endManualSession = [this] { ++world.sessionsEnded; };
    out.postLatched = [this](ClosedLidLatchCause cause) { world.latchNotices.push_back(cause); };
    out.postLidOpened = [this] { ++world.lidOpenedNotices; };
    out.lockSession = [this] { ++world.locks; };
    out.confirmEnabling = [this](int, int, std::function<void(bool)> answer) {
      ++world.confirmations;
      answer(world.confirm);
    };
    out.offerRemovalRetry = [this](std::function<void(bool)> answer) {
      ++world.retryOffers;
      answer(world.retryOffers == 1);
    };
    return out;
  }

  void setLatch(std::optional<VGXGuardLatch> latch) {
    VGXGuardStatus status = VGXGuardStatus::initial("1.0");
    status.latch = latch;
    client.value.status = status;
  }

  World world;
  testing::TestUserDefaults defaults;
  FakeGuardLink client;
  FakeHelperLink helper;
  VGXClosedLidController controller{defaults, inputs(), effects(), client, helper};
};

}  // namespace vigilix
