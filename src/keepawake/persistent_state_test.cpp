#include "keepawake/persistent_state.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

#include "keepawake/awake_controller.h"

namespace vigilix {
namespace {

using platform::Bytes;
using platform::Date;

Bytes bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string text(const Bytes& data) { return std::string(data.begin(), data.end()); }
Date at1970(double seconds) { return Date::fromTimeIntervalSince1970(seconds); }

TEST(PersistentStateJson, ExactBytesOfATimedSession) {
  AwakeController c(at1970(0), 20);
  c.startDuration(1800, at1970(0));
  EXPECT_EQ(
      text(c.encodedState()),
      R"({"deadline":1800,"kind":"none","manualKind":{"duration":{"startedAt":0,"total":1800}}})");
}

TEST(PersistentStateJson, GoldenRowsHaveSortedKeysDatesSince1970AndOmitAbsentFields) {
  const PersistentState paused{"until", at1970(50.5), ManualSessionKind::until(at1970(100)), {}};
  const PersistentState full{"until", at1970(60), ManualSessionKind::indefinite(), at1970(1800.25)};
  const std::pair<PersistentState, const char*> rows[] = {
      {paused, R"({"kind":"until","manualKind":{"until":{"_0":100}},"until":50.5})"},
      {full, R"({"deadline":1800.25,"kind":"until","manualKind":{"indefinite":{}},"until":60})"},
      {PersistentState{}, R"({"kind":"none"})"},
  };
  for (const auto& [value, literal] : rows) {
    SCOPED_TRACE(literal);
    EXPECT_EQ(text(encodePersistentState(value).value()), literal);
    EXPECT_EQ(decodePersistentState(bytes(literal)), value);
  }
  // Read in any key order; only kind is needed, and null is absent.
  EXPECT_EQ(
      decodePersistentState(bytes(
          R"({"until":60,"kind":"until","deadline":1800.25,"manualKind":{"indefinite":{}}})")),
      full);
  EXPECT_EQ(decodePersistentState(bytes(R"({"kind":"none","until":null})")), PersistentState{});

  PersistentState endless;
  endless.deadline = Date(std::numeric_limits<double>::infinity());
  EXPECT_FALSE(encodePersistentState(endless).has_value()) << "a non-finite date is not written";
}

TEST(PersistentStateJson, RejectsMalformedDocuments) {
  for (const char* doc : {
           R"({})",                                         // kind is required
           R"({"kind":1})",                                 // kind must be text
           R"({"kind":"none","deadline":"1800"})",          // date must be a number
           R"({"kind":"none","deadline":1e999})",           // infinity
           R"({"kind":"until","until":-1e400})",            // minus infinity
           R"({"kind":"none","manualKind":{}})",            // no case
           R"({"kind":"none","manualKind":{"until":{}}})",  // no date
           R"(not json)",
           R"()",
       }) {
    EXPECT_FALSE(decodePersistentState(bytes(doc)).has_value()) << doc;
  }
}

TEST(PersistentStateJson, NestedKeysErrorKeepsItsText) {
  const auto result =
      decodePersistentState(bytes(R"({"kind":"none","manualKind":{"none":{},"indefinite":{}}})"));
  ASSERT_FALSE(result.has_value());
  EXPECT_EQ(result.error().kind, platform::json::DecodingError::Kind::typeMismatch);
  EXPECT_EQ(result.error().debugDescription, "Invalid number of keys found, expected one.");
}

}  // namespace
}  // namespace vigilix
