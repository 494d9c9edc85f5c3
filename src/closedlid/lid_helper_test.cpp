#include "closedlid/lid_helper.h"

#include <gtest/gtest.h>

#include <vector>

#include "closedlid/installer_fakes.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using Dictionary = VGXGuardWire::Dictionary;

struct HelperFixture {
  testing::TestPlatform platform;
  FakeInstaller installer;
  FakeUnits units;
  MainClientScheduler scheduler;
  VGXLidHelper helper{[this] { return std::make_unique<FakeInstallerTransport>(installer); },
                      scheduler, units};
};

// What a completion received, as one text.
std::string outcomeText(const std::vector<std::expected<void, VGXHelperFailure>>& outcomes) {
  std::string text;
  for (const auto& outcome : outcomes) {
    text +=
        (text.empty() ? "" : ", ") + (outcome ? std::string("success") : outcome.error().message);
  }
  return text;
}

TEST(LidHelperTest, InstallAndUninstallOutcomes) {
  const auto failed = VGXInstallerError::failed("copy");
  struct Row {
    const char* name;
    bool uninstall;
    bool installerUp;
    std::optional<Dictionary> reply;  // none: never answered
    double advance;
    std::string outcomes;
    std::vector<std::string> unitCalls = {};
  };
  const std::vector<Row> rows = {
      {"installed", false, true, VGXGuardWire::encodeInstallerResult({}), 0, "success"},
      {"the installer's refusal is its text", false, true,
       VGXGuardWire::encodeInstallerResult(std::unexpected(failed)), 0, "failed:copy"},
      {"rolled back", false, true,
       VGXGuardWire::encodeInstallerResult(std::unexpected(VGXInstallerError::rolledBack("units"))),
       0, "rolledBack:units"},
      {"an unreadable reply", false, true, Dictionary{{"ok", "yes"}}, 0, "reply"},
      {"the connection ended before a reply", false, true, Dictionary::object(), 0, "reply"},
      {"no installer listening fails at once, not after the time-out", false, false, std::nullopt,
       0, "reply"},
      {"no reply within 60 s", false, true, std::nullopt, 60, "The helper didn't respond."},
      {"a reply after the time-out is ignored", false, true, Dictionary{{"ok", true}}, 60,
       "The helper didn't respond."},
      {"59 s without a reply is not yet a failure", false, true, std::nullopt, 59, ""},
      {"uninstalled: the installer's socket unit goes too",
       true,
       true,
       VGXGuardWire::encodeInstallerResult({}),
       0,
       "success",
       {"disable run.tarvo.vigilix.installer.socket"}},
      {"a refused uninstall keeps the unit", true, true,
       VGXGuardWire::encodeInstallerResult(
           std::unexpected(VGXInstallerError::inUseByAnotherUser())),
       0, "inUseByAnotherUser"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HelperFixture fixture;
    fixture.installer.up = row.installerUp;
    std::vector<std::expected<void, VGXHelperFailure>> outcomes;
    auto record = [&](std::expected<void, VGXHelperFailure> outcome) {
      outcomes.push_back(outcome);
    };
    row.uninstall ? fixture.helper.uninstall(record) : fixture.helper.install(record);
    const bool late = row.advance >= VGXLidHelper::kInstallSeconds;
    if (late) fixture.platform.advance(row.advance);
    if (row.reply && !fixture.installer.replies.empty()) fixture.installer.replies[0](*row.reply);
    if (!late) fixture.platform.advance(row.advance);
    fixture.platform.runUntilIdle();
    EXPECT_EQ(outcomeText(outcomes), row.outcomes);
    EXPECT_EQ(fixture.units.calls, row.unitCalls);
    EXPECT_EQ(fixture.installer.invalidated, outcomes.empty() ? 0 : 1);
    // Whatever happened, each request completes once and only once.
    fixture.platform.advance(VGXLidHelper::kInstallSeconds);
    EXPECT_EQ(outcomes.size(), 1u);
  }
}

TEST(LidHelperTest, StatusOutcomes) {
  struct Row {
    const char* name;
    Dictionary reply;
    std::expected<VGXInstallerStatus, VGXHelperFailure> outcome;
  };
  const Row rows[] = {
      {"installed and current", VGXGuardWire::encodeInstallerStatus({true, true, false}),
       VGXInstallerStatus{true, true, false}},
      {"a Boolean missing", Dictionary{{"installed", true}, {"current", true}},
       std::unexpected(VGXHelperFailure{"reply"})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HelperFixture fixture;
    std::optional<std::expected<VGXInstallerStatus, VGXHelperFailure>> outcome;
    fixture.helper.status([&](auto received) { outcome = received; });
    ASSERT_EQ(fixture.installer.sent, std::vector<std::string>{"status"});
    fixture.installer.replies[0](row.reply);
    fixture.platform.runUntilIdle();
    EXPECT_EQ(outcome, row.outcome);
  }
}

TEST(LidHelperTest, RegistrationFromTheServiceManager) {
  const VGXUnitError denied{true, false, "Interactive authentication required."};
  struct Row {
    const char* name;
    std::expected<VGXUnitReading, VGXUnitError> reading;
    std::optional<std::expected<void, VGXUnitError>> registering;  // none: not tried
    VGXHelperRegistration registration;
  };
  const std::vector<Row> rows = {
      {"enabled and listening", VGXUnitReading{"enabled", "active"}, std::nullopt,
       VGXHelperRegistration::enabled},
      {"enabled but not listening", VGXUnitReading{"enabled", "inactive"}, std::nullopt,
       VGXHelperRegistration::notRegistered},
      {"installed, not enabled", VGXUnitReading{"disabled", "inactive"}, std::nullopt,
       VGXHelperRegistration::notRegistered},
      {"no such unit", std::unexpected(VGXUnitError{false, true, "not loaded"}), std::nullopt,
       VGXHelperRegistration::notFound},
      {"a unit file state of none", VGXUnitReading{"", "inactive"}, std::nullopt,
       VGXHelperRegistration::notFound},
      {"masked", VGXUnitReading{"masked", "inactive"}, std::nullopt,
       VGXHelperRegistration::unknown},
      {"the service manager cannot be asked", std::unexpected(VGXUnitError{false, false, "bus"}),
       std::nullopt, VGXHelperRegistration::unknown},
      {"enabling refused for want of authorization", VGXUnitReading{"disabled", "inactive"},
       std::unexpected(denied), VGXHelperRegistration::requiresApproval},
      {"enabling failed otherwise", VGXUnitReading{"disabled", "inactive"},
       std::unexpected(VGXUnitError{false, false, "failed"}), VGXHelperRegistration::notRegistered},
      {"an approval refused once, then enabled elsewhere", VGXUnitReading{"enabled", "active"},
       std::unexpected(denied), VGXHelperRegistration::enabled},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HelperFixture fixture;
    fixture.units.reading = row.reading;
    if (row.registering) {
      fixture.units.enabling = *row.registering;
      std::optional<std::expected<void, VGXUnitError>> registered;
      fixture.helper.registerDaemonInBackground([&](auto result) { registered = result; });
      fixture.platform.runUntilIdle();
      EXPECT_EQ(registered, *row.registering);
      EXPECT_EQ(fixture.units.calls,
                std::vector<std::string>{"enable run.tarvo.vigilix.installer.socket"});
    }
    EXPECT_EQ(fixture.helper.registration(), row.registration);
  }
}

TEST(LidHelperTest, RegistrationIsReadAtMostOncePerSecond) {
  HelperFixture fixture;
  const struct {
    const char* name;
    std::function<void()> before;
    int reads;
  } rows[] = {
      {"the first read asks", [] {}, 1},
      {"a read within 1 s does not", [&] { fixture.platform.advance(0.9); }, 1},
      {"a read 1 s after asks again", [&] { fixture.platform.advance(0.1); }, 2},
      {"a read after registering asks again", [&] { (void)fixture.helper.registerDaemon(); }, 3},
      {"a read after uninstalling asks again",
       [&] {
         fixture.helper.uninstall([](auto) {});
         fixture.installer.replies.back()(VGXGuardWire::encodeInstallerResult({}));
         fixture.platform.runUntilIdle();
       },
       4},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.before();
    (void)fixture.helper.registration();
    EXPECT_EQ(fixture.units.reads, row.reads);
  }
}

}  // namespace
}  // namespace vigilix
