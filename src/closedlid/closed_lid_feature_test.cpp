#include "closedlid/closed_lid_feature.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "closedlid/closed_lid_settings.h"
#include "closedlid/installer_fakes.h"
#include "closedlid/lid_helper_link.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

namespace Keys = VGXClosedLidKeys;
using enum VGXLidAvailabilityKind;

// A guard that takes the connection and never answers.
class SilentGuard final : public VGXGuardTransport {
 public:
  explicit SilentGuard(std::vector<std::string>& sent) : sent_(sent) {}
  void setInterruptionHandler(Handler) override {}
  void setInvalidationHandler(Handler) override {}
  bool resume() override { return true; }
  void invalidate() override {}
  void hold(bool, std::int64_t, std::int64_t, Reply) override { sent_.push_back("hold"); }
  void renew(const std::string&, Reply) override {}
  void release(const std::string&, Reply) override { sent_.push_back("release"); }
  void status(Reply) override {}

 private:
  std::vector<std::string>& sent_;
};

struct ScriptedLid final : platform::VGXLidWatcher {
  platform::LidReading value{platform::LidPresence::hasLid, false};
  Handler onChange;
  platform::LidReading reading() const override { return value; }
  void setOnChange(Handler handler) override { onChange = std::move(handler); }
};

struct CountingLocker final : platform::SessionLocker {
  int& locks;
  explicit CountingLocker(int& count) : locks(count) {}
  void lock() override { ++locks; }
};

// The feature over scripted parts, on virtual time.
struct FeatureFixture {
  testing::TestPlatform platform;
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  FakeInstaller installer;
  FakeUnits* units = nullptr;
  ScriptedLid* lid = nullptr;
  std::vector<std::string> guardSent;
  int locks = 0;
  bool awake = true;
  std::shared_ptr<VGXClosedLidFeature> feature;

  FeatureFixture() {
    VGXClosedLidParts parts;
    parts.scheduler = std::make_unique<MainClientScheduler>();
    auto fakeUnits = std::make_unique<FakeUnits>();
    units = fakeUnits.get();
    parts.units = std::move(fakeUnits);
    parts.helper = std::make_unique<VGXLidHelper>(
        [this] { return std::make_unique<FakeInstallerTransport>(installer); }, *parts.scheduler,
        *parts.units);
    parts.client = std::make_unique<VGXSleepGuardClient>(
        [this] { return std::make_unique<SilentGuard>(guardSent); }, *parts.scheduler);
    auto scriptedLid = std::make_unique<ScriptedLid>();
    lid = scriptedLid.get();
    parts.lid = std::move(scriptedLid);
    parts.locker = std::make_unique<CountingLocker>(locks);
    VGXClosedLidInputs in;
    in.featureEnabled = [] { return true; };
    in.isStoreBuild = [] { return false; };
    in.platformSupported = [] { return true; };
    in.policyDisabled = [] { return false; };
    in.installedInPlace = [] { return true; };
    in.guardJobFilePresent = [] { return false; };
    in.effectiveAwake = [this] { return awake; };
    in.isManualSession = [] { return true; };
    in.safetyOK = [](int) { return true; };
    in.hashGuardBinary = [] { return std::nullopt; };
    in.nowNanoseconds = [] { return 0; };
    VGXClosedLidEffects out;
    out.confirmEnabling = [](int, int, std::function<void(bool)> answer) { answer(true); };
    feature = VGXClosedLidFeature::make(defaults, std::move(parts), std::move(in), std::move(out));
    feature->install({"test.AwakeStateDidChange"});
  }
  void closeLid(bool closed) {
    lid->value.closed = closed;
    lid->onChange();
  }
};

TEST(ClosedLidFeatureTest, TheLidTheNoticesAndTheDefaultsDecideAgain) {
  struct Row {
    const char* name;
    void (*act)(FeatureFixture&);
    bool armed;
    int locks;
  };
  const Row rows[] = {
      {"installed and enabled: armed, the lid open", [](FeatureFixture&) {}, true, 0},
      {"the lid closes while armed: the session is locked once",
       [](FeatureFixture& f) {
         f.closeLid(true);
         f.closeLid(true);
       },
       true, 1},
      {"closed, opened and closed again: locked each time",
       [](FeatureFixture& f) {
         f.closeLid(true);
         f.closeLid(false);
         f.closeLid(true);
       },
       true, 2},
      {"keep-awake ends, told by its notice: disarmed, a closed lid is not locked",
       [](FeatureFixture& f) {
         f.awake = false;
         platform::NotificationCenter::defaultCenter().post("test.AwakeStateDidChange");
         f.platform.runUntilIdle();
         f.closeLid(true);
       },
       false, 0},
      {"another writer turns the setting off: disarmed after the write",
       [](FeatureFixture& f) {
         f.defaults.set(Keys::enabled, false);
         f.platform.runUntilIdle();
       },
       false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    FeatureFixture f;
    f.units->reading = VGXUnitReading{"enabled", "active"};
    f.platform.advance(VGXLidHelper::kRegistrationCacheSeconds);
    f.defaults.set(Keys::enabled, true);
    f.platform.runUntilIdle();
    row.act(f);
    EXPECT_EQ(f.feature->controller().availability().kind, ready);
    EXPECT_EQ(f.feature->controller().lastArmed(), row.armed);
    EXPECT_EQ(f.guardSent.empty() ? "" : f.guardSent.front(), "hold");
    EXPECT_EQ(f.locks, row.locks);
    // Each change of what the mode does is logged once.
    const auto lines = log.messages("closed-lid");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(),
              row.armed ? "Closed-lid mode: ready, armed" : "Closed-lid mode: ready, not armed");
    EXPECT_EQ(std::ranges::count(lines, lines.back()), 1);
  }
}

TEST(ClosedLidFeatureTest, ARefusedPasswordWaitsForApprovalThenInstalls) {
  FeatureFixture f;
  f.units->enabling = std::unexpected(
      VGXUnitError{.notAuthorized = true, .noSuchUnit = false, .message = "denied"});
  f.feature->controller().requestEnable();
  f.platform.runUntilIdle();
  EXPECT_EQ(f.feature->controller().availability().kind, needsApproval);
  EXPECT_TRUE(f.feature->pollingApproval());
  EXPECT_EQ(f.defaults.boolValue(Keys::enabled), true) << "the setting stays on while waiting";

  f.platform.advance(3);
  EXPECT_TRUE(f.installer.sent.empty());
  // The administrator allowed it elsewhere: the next tick installs.
  f.units->reading = VGXUnitReading{"enabled", "active"};
  f.platform.advance(2);
  ASSERT_EQ(f.installer.sent, std::vector<std::string>{"install"});
  f.installer.replies.back()(VGXGuardWire::encodeInstallerResult({}));
  f.platform.runUntilIdle();
  EXPECT_FALSE(f.feature->pollingApproval());
  EXPECT_EQ(f.defaults.boolValue(Keys::everRegistered), true);
}

TEST(ClosedLidFeatureTest, RegistrationRefusalsReadAsTheUserSeesThem) {
  struct Row {
    VGXUnitError error;
    std::optional<std::string> text;
  };
  const Row rows[] = {
      {{.notAuthorized = true, .noSuchUnit = false, .message = "denied"}, std::nullopt},
      {{.notAuthorized = false, .noSuchUnit = true, .message = "x"},
       "The helper is not part of this installation."},
      {{.notAuthorized = false, .noSuchUnit = false, .message = ""},
       "The service manager refused."},
      {{.notAuthorized = false, .noSuchUnit = false, .message = "Unit is masked."},
       "Unit is masked."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.error.message);
    EXPECT_EQ(registrationFailureText(row.error), row.text);
  }
}

}  // namespace
}  // namespace vigilix

namespace vigilix {
namespace {

// The hub answers every defaults write by publishing again, which decides
// again here: a decision that changes nothing must write nothing.
TEST(ClosedLidFeatureTest, ADecisionThatChangesNothingWritesNoDefaults) {
  FeatureFixture f;
  f.units->reading = VGXUnitReading{"enabled", "active"};
  f.platform.advance(VGXLidHelper::kRegistrationCacheSeconds);
  f.defaults.set(Keys::enabled, true);
  f.platform.runUntilIdle();
  ASSERT_EQ(f.defaults.boolValue(Keys::everRegistered), true);
  int writes = 0;
  auto counting = platform::NotificationCenter::defaultCenter().addObserver(
      platform::kUserDefaultsDidChangeNotification, nullptr, nullptr,
      [&writes](const platform::Notification&) { ++writes; });
  for (int i = 0; i < 3; ++i) {
    platform::NotificationCenter::defaultCenter().post("test.AwakeStateDidChange");
    f.platform.runUntilIdle();
  }
  EXPECT_EQ(writes, 0);
  EXPECT_TRUE(f.feature->controller().lastArmed());
}

}  // namespace
}  // namespace vigilix
