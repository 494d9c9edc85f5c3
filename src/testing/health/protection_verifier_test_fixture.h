#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "health/protection_verifier.h"
#include "health/session_notifications.h"
#include "platform/power/power_assertions.h"
#include "testing/fake_user_notifications.h"
#include "testing/pinned_locale.h"
#include "testing/test_platform.h"

namespace vigilix::testing {

// A verifier over the test platform, with the hub and the menu-bar core's
// three functions played by its fields. One per test or table row.
struct VerifierWorld {
  VerifierWorld() {
    platform::UserDefaults::standard().set(kVGXNotifyOnAwakeStateChangeKey, true);
    verifier->setHub({[this] { return awake; }, [this] { return heat; }, [] { return false; },
                      [] { return false; }, [] { return false; }});
  }

  void start() {
    verifier->startWithExpectedTypes([this] { return expected; },
                                     [this] {
                                       ++repairs;
                                       if (repairRecreates) holdAssertion();
                                       return repairRecreates;
                                     },
                                     [this] { ++changes; });
  }
  // Our lock, as the keep-awake timer names it.
  void holdAssertion(platform::LockKind kind = platform::LockKind::systemSleep) {
    (void)platform.power.assertions.take(kind, "Vigilix: Keeping your computer awake");
  }
  // The expected kinds as the verifier shows them.
  std::set<std::string> expectedTypes() const {
    std::set<std::string> types;
    for (const platform::LockKind kind : expected)
      types.insert(VGXProtectionVerifier::assertionTypeName(kind));
    return types;
  }
  std::vector<VGXIncident> incidents() {
    std::lock_guard guard(verifier->incidentLog().lock());
    return verifier->incidentLog().load();
  }
  std::size_t notices() const { return center.requests().size(); }

  TestPlatform platform;
  PinnedLocale pin{"en_US", "UTC"};
  FakeUserNotificationCenter center;
  std::shared_ptr<VGXProtectionVerifier> verifier =
      std::make_shared<VGXProtectionVerifier>(platform::UserDefaults::standard());
  bool awake = true;
  bool heat = false;
  std::vector<platform::LockKind> expected{platform::LockKind::systemSleep};
  bool repairRecreates = true;
  int repairs = 0;
  int changes = 0;
};

}  // namespace vigilix::testing
