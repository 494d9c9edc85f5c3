#include "health/incident_log.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using Kind = VGXIncident::Kind;
using Cause = VGXIncident::Cause;
using platform::Date;

constexpr const char* kID = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

VGXIncident incident(double at, Kind kind = Kind::sleptWhileAwake, Cause cause = Cause::unknown,
                     bool acknowledged = false, std::string id = kID) {
  return VGXIncident{std::move(id), kind, cause, Date(at), acknowledged};
}

platform::Bytes bytes(std::string_view text) { return {text.begin(), text.end()}; }
std::string text(const platform::Bytes& data) { return {data.begin(), data.end()}; }

TEST(IncidentCodingTest, StoredListsReadAndWriteAsTheseTexts) {
  struct Row {
    const char* name;
    std::vector<VGXIncident> value;
    const char* literal;
  };
  const Row rows[] = {
      {"empty", {}, "[]"},
      {"slept with the lid closed, fraction kept",
       {incident(786000000.25, Kind::sleptWhileAwake, Cause::lidClosed)},
       R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","kind":"sleptWhileAwake","cause":"lidClosed","at":786000000.25,"acknowledged":false}])"},
      {"every other cause, in stored order",
       {incident(3, Kind::protectionLost, Cause::unknown, true, "A"),
        incident(2, Kind::sleptWhileAwake, Cause::batteryCritical, false, "B"),
        incident(1, Kind::sleptWhileAwake, Cause::thermalCritical, false, "C"),
        incident(0, Kind::sleptWhileAwake, Cause::user, false, "D"),
        incident(-1, Kind::sleptWhileAwake, Cause::expectedPause, false, "E")},
       R"([{"id":"A","kind":"protectionLost","cause":"unknown","at":3,"acknowledged":true},)"
       R"({"id":"B","kind":"sleptWhileAwake","cause":"batteryCritical","at":2,"acknowledged":false},)"
       R"({"id":"C","kind":"sleptWhileAwake","cause":"thermalCritical","at":1,"acknowledged":false},)"
       R"({"id":"D","kind":"sleptWhileAwake","cause":"user","at":0,"acknowledged":false},)"
       R"({"id":"E","kind":"sleptWhileAwake","cause":"expectedPause","at":-1,"acknowledged":false}])"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto encoded = encodeIncidents(row.value);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(text(*encoded), row.literal);
    EXPECT_EQ(decodeIncidents(bytes(row.literal)), row.value);
  }
  // Key order carries no meaning when reading.
  EXPECT_EQ(
      decodeIncidents(bytes(
          R"([{"acknowledged":true,"at":5,"cause":"user","kind":"protectionLost","id":"X"}])")),
      (std::vector{incident(5, Kind::protectionLost, Cause::user, true, "X")}));
}

class IncidentLogTest : public ::testing::Test {
 protected:
  std::vector<VGXIncident> loaded() {
    std::lock_guard guard(log.lock());
    return log.load();
  }
  void store(const std::vector<VGXIncident>& incidents) {
    defaults().set(kVGXIncidentLogKey, encodeIncidents(incidents).value());
  }
  std::string stored() { return text(defaults().dataValue(kVGXIncidentLogKey).value()); }
  static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

  testing::TestPlatform platform;
  VGXIncidentLog log{defaults(), kVGXIncidentLogKey};
};

TEST_F(IncidentLogTest, KeepsTheTwentyNewestNewestFirst) {
  EXPECT_TRUE(loaded().empty());
  EXPECT_FALSE(log.hasUnacknowledged());

  // 25 stored out of order read as the 20 newest; the next write stores them so.
  std::vector<VGXIncident> unsorted;
  for (int i = 0; i < 25; ++i)
    unsorted.push_back(
        incident((i * 7) % 25, Kind::sleptWhileAwake, Cause::unknown, false, std::to_string(i)));
  store(unsorted);
  std::vector<VGXIncident> newest = loaded();
  ASSERT_EQ(newest.size(), 20u);
  for (std::size_t i = 0; i < newest.size(); ++i) EXPECT_EQ(newest[i].at, Date(24.0 - i));

  // A 21st pushes the oldest out; a tie on the date puts the newer record first.
  log.record(incident(24, Kind::protectionLost, Cause::unknown, false, "tie"));
  newest = loaded();
  ASSERT_EQ(newest.size(), 20u);
  EXPECT_EQ(newest[0].id, "tie");
  EXPECT_EQ(newest[1].at, Date(24));
  EXPECT_EQ(newest.back().at, Date(6));
}

TEST_F(IncidentLogTest, AcknowledgingAndWhatAsksForAttention) {
  struct Row {
    const char* name;
    std::vector<VGXIncident> stored;
    std::function<void(VGXIncidentLog&)> act;
    std::vector<bool> acknowledged;
    bool unacknowledged;
  };
  const std::vector<VGXIncident> both{incident(2, Kind::protectionLost, Cause::unknown),
                                      incident(1, Kind::sleptWhileAwake, Cause::lidClosed)};
  const Row rows[] = {
      {"nothing done", both, [](VGXIncidentLog&) {}, {false, false}, true},
      {"by kind leaves the other kind",
       both,
       [](VGXIncidentLog& l) { l.acknowledge(Kind::sleptWhileAwake); },
       {false, true},
       true},
      {"all", both, [](VGXIncidentLog& l) { l.acknowledgeAll(); }, {true, true}, false},
      {"expected pauses never ask",
       {incident(1, Kind::sleptWhileAwake, Cause::expectedPause)},
       [](VGXIncidentLog&) {},
       {false},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    store(row.stored);
    row.act(log);
    std::vector<bool> acknowledged;
    for (const VGXIncident& each : loaded()) acknowledged.push_back(each.acknowledged);
    EXPECT_EQ(acknowledged, row.acknowledged);
    EXPECT_EQ(log.hasUnacknowledged(), row.unacknowledged);
  }

  defaults().remove(kVGXIncidentLogKey);
  log.acknowledgeAll();
  EXPECT_EQ(stored(), "[]");
}

// Whatever changed the stored value, the log reads what is stored now.
TEST_F(IncidentLogTest, AValueChangedBehindTheLogsBackIsReadAnew) {
  const std::vector<VGXIncident> first{incident(2, Kind::protectionLost)};
  const std::vector<VGXIncident> second{incident(3), incident(1, Kind::protectionLost)};
  struct Row {
    const char* name;
    std::optional<platform::PropertyValue> stored;  // none: removed
    std::vector<VGXIncident> read;
  };
  const Row rows[] = {
      {"a list", encodeIncidents(first).value(), first},
      {"another list", encodeIncidents(second).value(), second},
      {"the first again", encodeIncidents(first).value(), first},
      {"damaged", bytes("[{"), {}},
      {"the first once more", encodeIncidents(first).value(), first},
      {"removed", std::nullopt, {}},
      {"the first after the removal", encodeIncidents(first).value(), first},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.stored) {
      defaults().set(kVGXIncidentLogKey, *row.stored);
    } else {
      defaults().remove(kVGXIncidentLogKey);
    }
    EXPECT_EQ(loaded(), row.read);
    EXPECT_EQ(loaded(), row.read);
  }
}

// One bad element makes the whole log unreadable: it counts as empty but is
// never silently replaced.
TEST_F(IncidentLogTest, AnUnreadableLogIsReportedOnceAndKeptAsideByTheNextWrite) {
  struct Row {
    const char* name;
    platform::PropertyValue damaged;
  };
  const std::string good =
      R"({"id":"A","kind":"protectionLost","cause":"unknown","at":1,"acknowledged":false})";
  const Row rows[] = {
      {"one element without acknowledged",
       bytes("[" + good + R"(,{"id":"B","kind":"protectionLost","cause":"unknown","at":1}])")},
      {"an unknown cause",
       bytes(
           "[" + good +
           R"(,{"id":"B","kind":"sleptWhileAwake","cause":"sleeping","at":1,"acknowledged":false}])")},
      {"an unknown kind",
       bytes(R"([{"id":"A","kind":"nap","cause":"user","at":1,"acknowledged":false}])")},
      {"a date as text",
       bytes(
           R"([{"id":"A","kind":"protectionLost","cause":"user","at":"1","acknowledged":false}])")},
      {"an object, not an array", bytes(good)},
      {"not JSON", bytes("[{")},
      {"not data", platform::PropertyValue("[]")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog captured;
    defaults().remove("VGXIncidentLog.damaged-2026-01-05T09:00:00Z");
    defaults().set(kVGXIncidentLogKey, row.damaged);
    VGXIncidentLog fresh(defaults(), kVGXIncidentLogKey);
    EXPECT_FALSE(fresh.hasUnacknowledged());
    EXPECT_FALSE(fresh.hasUnacknowledged());
    EXPECT_EQ(captured.messages("incidents").size(), 1u);
    EXPECT_EQ(defaults().object(kVGXIncidentLogKey), row.damaged) << "reading changes nothing";

    fresh.record(incident(9, Kind::protectionLost, Cause::unknown, false, "new"));
    EXPECT_EQ(
        stored(),
        R"([{"id":"new","kind":"protectionLost","cause":"unknown","at":9,"acknowledged":false}])");
    EXPECT_EQ(defaults().object("VGXIncidentLog.damaged-2026-01-05T09:00:00Z"), row.damaged);
    EXPECT_TRUE(captured.containsFragment("VGXIncidentLog.damaged-2026-01-05T09:00:00Z"));
  }
}

}  // namespace
}  // namespace vigilix
