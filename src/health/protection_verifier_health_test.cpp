#include <gtest/gtest.h>

#include <limits>

#include "agents/cli_v2_codec.h"
#include "agents/cli_v2_server.h"
#include "keepawake/health_registry.h"
#include "platform/json/json_writer.h"
#include "testing/health/protection_verifier_test_fixture.h"

namespace vigilix::testing {
namespace {

using Severity = VGXHealthSeverity;
using Types = std::optional<std::set<std::string>>;

constexpr const char* kSystem = "logind lock sleep (block)";
constexpr const char* kDisplay = "logind lock idle:sleep (block)";
constexpr double kInfinity = std::numeric_limits<double>::infinity();

VGXHealthLine ok(std::string title, std::string detail) {
  return {std::move(title), std::move(detail), Severity::Ok, std::nullopt};
}

std::string jsonText(const std::vector<VGXHealthLine>& lines) {
  platform::json::Value array = platform::json::Value::array();
  for (const auto& line : lines) array.push_back(encodeHealthLine(line));
  return platform::json::write(array).value();
}

// What the verifier observed is played by `inspect`.
void observe(VerifierWorld& world, Types types) {
  world.verifier->providers().inspect = [types] {
    return std::pair{types, types ? std::optional<std::string>{}
                                  : std::optional<std::string>{"Assertion inspection failed (5)"}};
  };
}

TEST(VerifierHealthLinesTest, SixLinesSayWhatTheVerifierKnows) {
  struct Row {
    const char* name;
    std::function<void(VerifierWorld&)> arrange;
    std::vector<VGXHealthLine> lines;
  };
  const VGXHealthLine off = ok("Keep Awake", "Off");
  const VGXHealthLine on = ok("Keep Awake", "On");
  const VGXHealthLine none = ok("Keep-Awake Requests", "None");
  const VGXHealthLine noIncidents = ok("Incidents", "0 recorded");
  const VGXHealthLine noMigration = ok("Migration", "No container migration on this install");
  const VGXHealthLine noKeys = ok("Managed Settings", "0 managed keys");
  const Row rows[] = {
      {"off: nothing expected, whatever was observed",
       [](VerifierWorld& w) {
         w.awake = false;
         observe(w, std::nullopt);
       },
       {off, ok("Protection", "Not expected"), none, noIncidents, noMigration, noKeys}},
      {"on, inspection failed",
       [](VerifierWorld& w) { observe(w, std::nullopt); },
       {on,
        {"Protection",
         "Couldn't check whether your computer is protected: check that systemd-logind is "
         "running, then check again",
         Severity::Error, "checkProtection"},
        {"Keep-Awake Requests",
         "Couldn't check: logind did not list the locks; check that systemd-logind is running",
         Severity::Error, "checkProtection"},
        noIncidents,
        noMigration,
        noKeys}},
      {"on, two types held: sorted, display first",
       [](VerifierWorld& w) {
         observe(w, std::set<std::string>{kSystem, kDisplay});
       },
       {on, ok("Protection", "Verified"),
        ok("Keep-Awake Requests", "logind lock idle:sleep (block), logind lock sleep (block)"),
        noIncidents, noMigration, noKeys}},
      {"paused: ok, and no requests listed",
       [](VerifierWorld& w) {
         w.heat = true;
         observe(w, std::set<std::string>{kSystem});
       },
       {on, ok("Protection", "Paused because your computer is hot"), none, noIncidents, noMigration,
        noKeys}},
      {"an unsettled incident, a forced key, migration marker 2",
       [](VerifierWorld& w) {
         observe(w, std::set<std::string>{});
         w.expected.clear();
         w.verifier->incidentLog().record(VGXIncident::make(VGXIncident::Kind::sleptWhileAwake,
                                                            VGXIncident::Cause::lidClosed, {}));
         w.platform.defaults.standard().setForced("VGXDisableAgentHooks", true);
         w.platform.defaults.standard().set("VGXContainerMigrationVersion", std::int64_t{2});
       },
       {on,
        ok("Protection", "Verified"),
        none,
        {"Incidents", "1 recorded, some not yet seen: Check Keep-Awake Health marks them seen",
         Severity::Warning, "dismissIncidents"},
        ok("Migration", "Started with fresh settings"),
        ok("Managed Settings", "1 managed keys")}},
      {"only expected pauses recorded, migration marker 3",
       [](VerifierWorld& w) {
         w.awake = false;
         w.verifier->incidentLog().record(VGXIncident::make(VGXIncident::Kind::sleptWhileAwake,
                                                            VGXIncident::Cause::expectedPause, {}));
         w.platform.defaults.standard().set("VGXContainerMigrationVersion", std::int64_t{3});
       },
       {off,
        ok("Protection", "Not expected"),
        none,
        ok("Incidents", "1 recorded"),
        {"Migration", "3", Severity::Warning, std::nullopt},
        noKeys}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto world = std::make_unique<VerifierWorld>();
    row.arrange(*world);
    world->start();
    EXPECT_EQ(world->verifier->healthLines(), row.lines);
  }
}

TEST(VerifierHealthLinesTest, MigrationMarkersAndBuildFeatureLines) {
  TestPlatform platform;
  struct Row {
    std::optional<platform::PropertyValue> stored;
    VGXHealthLine line;
    bool previousVersionFound = true;
  };
  const Row rows[] = {
      {std::int64_t{1}, ok("Migration", "Settings moved from the previous version")},
      {std::int64_t{1}, ok("Migration", "No previous version: nothing to move"), false},
      {2.9, ok("Migration", "Started with fresh settings")},
      {"two", {"Migration", platform::debugDescription("two"), Severity::Warning, std::nullopt}},
      {kInfinity,
       {"Migration", platform::debugDescription(kInfinity), Severity::Warning, std::nullopt}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line.detail);
    platform.defaults.standard().set("VGXContainerMigrationVersion", *row.stored);
    EXPECT_EQ(VGXProtectionVerifier::migrationHealthLine(platform.defaults.standard(),
                                                         row.previousVersionFound),
              row.line);
  }
  EXPECT_TRUE(VGXProtectionVerifier::storeBuildHealthLines(true).empty());
  EXPECT_EQ(VGXProtectionVerifier::storeBuildHealthLines(false),
            (std::vector{ok("Closed-lid helper", "Not available in this version")}));
}

// `doctor` through the command-line server: a fresh check, then every
// registered line in registration order.
TEST(VerifierDoctorTest, EveryHealthLineAnswersTheDoctorVerb) {
  struct Row {
    const char* name;
    Types observed;
    std::vector<VGXHealthLine> extra;  // a later provider's lines
    VGXCLIv2Status status;
  };
  const Row rows[] = {
      {"all ok", std::set<std::string>{kSystem}, {}, VGXCLIv2Status::ok},
      {"a warning is still ok",
       std::set<std::string>{kSystem},
       {{"Hooks", "stale", Severity::Warning, "fixHooks"}},
       VGXCLIv2Status::ok},
      {"another provider's error",
       std::set<std::string>{kSystem},
       {{"Guard", "down", Severity::Error, std::nullopt}},
       VGXCLIv2Status::error},
      {"protection missing", std::set<std::string>{}, {}, VGXCLIv2Status::error},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto world = std::make_unique<VerifierWorld>();
    world->repairRecreates = false;
    observe(*world, std::set<std::string>{kSystem});
    world->start();
    VGXHealthRegistry::registerProvider([extra = row.extra] { return extra; });
    observe(*world, row.observed);  // seen by the doctor's own check only

    VGXCLIv2Server server(std::nullopt, [] { return std::int64_t{7}; });
    const VGXCLIv2Request request{.nonce = "doc-1", .verb = VGXCLIv2Verb::doctor};
    const auto answer =
        server.handle(VGXCLIv2Codec::encodeRequest(request).value(), world->platform.now());
    ASSERT_TRUE(answer.has_value());
    const auto reply = VGXCLIv2Codec::decodeReply(*answer);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->status, row.status);
    EXPECT_EQ(reply->nonce, "doc-1");
    EXPECT_EQ(reply->gen, 7);

    std::vector<VGXHealthLine> expected = world->verifier->healthLines();
    const auto build = VGXProtectionVerifier::storeBuildHealthLines(false);
    expected.insert(expected.end(), build.begin(), build.end());
    expected.insert(expected.end(), row.extra.begin(), row.extra.end());
    EXPECT_EQ(reply->doctor, jsonText(expected));
  }
}

TEST(VerifierDoctorTest, TheDoctorTextIsExactAndSurvivesBadBytes) {
  TestPlatform platform;
  VGXHealthRegistry::registerProvider([] {
    return std::vector<VGXHealthLine>{{"Files/paths", "caf\xC3", Severity::Warning, std::nullopt},
                                      {"Protection", "Vigilix couldn't keep your computer awake",
                                       Severity::Error, "checkProtection"}};
  });
  const auto reply =
      VGXProtectionVerifier::doctorReply(nullptr, {.nonce = "n", .verb = VGXCLIv2Verb::doctor});
  EXPECT_EQ(reply.status, VGXCLIv2Status::error);
  EXPECT_EQ(reply.epoch, "");
  EXPECT_EQ(reply.gen, 0);
  EXPECT_EQ(reply.message, std::nullopt);
  EXPECT_EQ(
      reply.doctor,
      R"([{"title":"Files\/paths","detail":"caf)"
      "\xEF\xBF\xBD"
      R"(","severity":"warning"},{"title":"Protection","detail":"Vigilix couldn't keep your computer awake","severity":"error","fixActionID":"checkProtection"}])");
}

}  // namespace
}  // namespace vigilix::testing
