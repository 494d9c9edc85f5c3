#include "policy/policy_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <unordered_set>

#include "platform/defaults/user_defaults.h"

namespace vigilix {
namespace {

using platform::PropertyValue;
using VGXPolicy::Value;

const VGXPolicyKey& row(std::string_view name) {
  const VGXPolicyKey* found = VGXPolicy::key(name);
  EXPECT_NE(found, nullptr) << name;
  return *found;
}

TEST(PolicyTableTest, HasThirtySixUniqueRowsInObservationOrder) {
  const auto& keys = VGXPolicy::keys();
  ASSERT_EQ(keys.size(), 36u);
  EXPECT_EQ(keys.front().name, "run.tarvo.vigilix.ActivateOnLaunch");
  EXPECT_EQ(keys[10].name, "run.tarvo.vigilix.BatteryCapacityThreshold");
  EXPECT_EQ(keys[28].name, "VGXDisableClosedLidMode");
  EXPECT_EQ(keys.back().name, "VGXRestartTimerOnActivity");
  std::set<std::string> names;
  for (const auto& key : keys) names.insert(key.name);
  EXPECT_EQ(names.size(), keys.size());
  EXPECT_EQ(&VGXPolicy::keys(), &keys) << "built once";
}

TEST(PolicyTableTest, RowsCarryTypeStrictnessAndSummary) {
  const auto& hot = row("VGXStopWhenHot");
  EXPECT_EQ(hot.type, VGXPolicyValueType::Bool);
  EXPECT_EQ(hot.strictness, VGXPolicyStrictness::TrueIsStricter);
  EXPECT_EQ(hot.summary, "Stop when thermal state is serious or critical; default true.");

  EXPECT_EQ(row("run.tarvo.vigilix.TimeInterval").type, VGXPolicyValueType::Int);
  EXPECT_EQ(row("run.tarvo.vigilix.LastSettingsPane").type, VGXPolicyValueType::String);
  EXPECT_EQ(row("run.tarvo.vigilix.Triggers").type, VGXPolicyValueType::Data);
  EXPECT_EQ(row("VGXClosedLidBatteryFloor").summary,
            "Closed-lid battery floor, 20\u201360 percent.");
  EXPECT_EQ(row("VGXClosedLidBatteryCapHours").strictness, VGXPolicyStrictness::LowerIsStricter);
  EXPECT_EQ(row("run.tarvo.vigilix.BatteryCapacityThreshold").strictness,
            VGXPolicyStrictness::HigherIsStricter);

  int stricterBooleans = 0;
  for (const auto& key : VGXPolicy::keys())
    stricterBooleans += key.strictness == VGXPolicyStrictness::TrueIsStricter;
  EXPECT_EQ(stricterBooleans, 9);
}

TEST(PolicyTableTest, LookupIsExactAndCaseSensitive) {
  EXPECT_NE(VGXPolicy::key("VGXStopWhenHot"), nullptr);
  EXPECT_EQ(VGXPolicy::key("vgxstopwhenhot"), nullptr);
  EXPECT_EQ(VGXPolicy::key("VGXStopWhenHot "), nullptr);
  EXPECT_EQ(VGXPolicy::key(""), nullptr);
}

TEST(PolicyTableTest, RawValuesAreExact) {
  EXPECT_EQ(rawValue(VGXPolicyValueType::Double), "double");
  EXPECT_EQ(rawValue(VGXPolicyStrictness::HigherIsStricter), "higherIsStricter");
  EXPECT_EQ(policyValueTypeFromRawValue("data"), VGXPolicyValueType::Data);
  EXPECT_EQ(policyValueTypeFromRawValue("Bool"), std::nullopt);
  EXPECT_EQ(policyStrictnessFromRawValue("none"), VGXPolicyStrictness::None);
  EXPECT_EQ(policyStrictnessFromRawValue("TrueIsStricter"), std::nullopt);
  for (auto type : {VGXPolicyValueType::Bool, VGXPolicyValueType::Int, VGXPolicyValueType::Double,
                    VGXPolicyValueType::Data, VGXPolicyValueType::String})
    EXPECT_EQ(policyValueTypeFromRawValue(rawValue(type)), type);
}

TEST(PolicyTableTest, RowsAreEqualAndHashedByAllFourFields) {
  VGXPolicyKey a{"K", VGXPolicyValueType::Bool, VGXPolicyStrictness::None, "s"};
  VGXPolicyKey b = a;
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::hash<VGXPolicyKey>{}(a), std::hash<VGXPolicyKey>{}(b));
  b.summary = "t";
  EXPECT_NE(a, b);
  std::unordered_set<VGXPolicyKey> all(VGXPolicy::keys().begin(), VGXPolicy::keys().end());
  EXPECT_EQ(all.size(), 36u);
}

TEST(PolicyValuesTest, ReadsOfOneValueAsBoolIntAndDouble) {
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* name;
    Value value;
    std::optional<bool> asBool;
    std::optional<std::int64_t> asInt;
    std::optional<double> asDouble;
  };
  const Row rows[] = {
      {"true", PropertyValue(true), true, std::nullopt, std::nullopt},
      {"integer 1", PropertyValue(1), true, 1, 1.0},
      {"integer 0", PropertyValue(0), false, 0, 0.0},
      {"real 1.0", PropertyValue(1.0), true, 1, 1.0},
      {"negative integer", PropertyValue(-3), false, -3, -3.0},
      {"integer 2", PropertyValue(2), std::nullopt, 2, 2.0},
      {"7", PropertyValue(7), std::nullopt, 7, 7.0},
      {"real 0.5", PropertyValue(0.5), std::nullopt, 0, 0.5},
      {"real 2.9 truncates", PropertyValue(2.9), std::nullopt, 2, 2.9},
      {"real -2.9 truncates", PropertyValue(-2.9), std::nullopt, -2, -2.9},
      {"real beyond 64 bits", PropertyValue(1e30), std::nullopt, std::nullopt, 1e30},
      {"not a number", PropertyValue(nan), std::nullopt, std::nullopt, std::nullopt},
      {"minus infinity", PropertyValue(-inf), std::nullopt, std::nullopt, std::nullopt},
      {"infinity", PropertyValue(inf), std::nullopt, std::nullopt, std::nullopt},
      {"text", PropertyValue("true"), std::nullopt, std::nullopt, std::nullopt},
      {"text of a number", PropertyValue("7"), std::nullopt, std::nullopt, std::nullopt},
      {"data", PropertyValue(platform::Bytes{1}), std::nullopt, std::nullopt, std::nullopt},
      {"no value", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXPolicy::boolValue(row.value), row.asBool);
    EXPECT_EQ(VGXPolicy::intValue(row.value), row.asInt);
    EXPECT_EQ(VGXPolicy::doubleValue(row.value), row.asDouble);
  }
}

TEST(PolicyValuesTest, NormalizedConvertsToTheRowTypeOrLeavesTheValue) {
  const auto& hot = row("VGXStopWhenHot");
  const auto& interval = row("run.tarvo.vigilix.TimeInterval");
  const auto& threshold = row("run.tarvo.vigilix.BatteryCapacityThreshold");
  const auto& pane = row("run.tarvo.vigilix.LastSettingsPane");
  EXPECT_EQ(VGXPolicy::normalized(PropertyValue(1), hot), PropertyValue(true));
  EXPECT_EQ(VGXPolicy::normalized(PropertyValue("yes"), hot), PropertyValue("yes"));
  EXPECT_EQ(VGXPolicy::normalized(PropertyValue(1800.7), interval), PropertyValue(1800));
  EXPECT_EQ(VGXPolicy::normalized(PropertyValue(30), threshold), PropertyValue(30.0));
  EXPECT_EQ(VGXPolicy::normalized(PropertyValue(3), pane), PropertyValue(3));
  EXPECT_EQ(VGXPolicy::normalized(std::nullopt, hot), std::nullopt);
  EXPECT_EQ(VGXPolicy::normalized(PropertyValue(std::nan("")), threshold), std::nullopt);
}

TEST(PolicyMergeTest, StricterValueByEachStrictness) {
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  constexpr const char* kThreshold = "run.tarvo.vigilix.BatteryCapacityThreshold";
  constexpr const char* kCap = "VGXClosedLidBatteryCapHours";
  constexpr const char* kHot = "VGXStopWhenHot";
  constexpr const char* kLaunch = "run.tarvo.vigilix.ActivateOnLaunch";
  struct Row {
    const char* name;
    const char* key;
    Value first;
    Value second;
    Value fallback;
    Value expected;
  };
  const Row rows[] = {
      {"higher: managed 30 over user 20",
       kThreshold,
       PropertyValue(30),
       PropertyValue(20),
       {},
       PropertyValue(30.0)},
      {"higher: user 40 over managed 15",
       kThreshold,
       PropertyValue(15),
       PropertyValue(40),
       {},
       PropertyValue(40.0)},
      // A value that is no number does not compare: the first stands.
      {"higher: text does not compare",
       kThreshold,
       PropertyValue(15),
       PropertyValue("90"),
       {},
       PropertyValue(15.0)},
      {"lower: 2 over 4", kCap, PropertyValue(2), PropertyValue(4), {}, PropertyValue(2)},
      {"lower: 2 over 4, either order",
       kCap,
       PropertyValue(4),
       PropertyValue(2),
       {},
       PropertyValue(2)},
      {"lower: real 4.5 normalized to 4",
       kCap,
       PropertyValue(4.5),
       PropertyValue(4),
       {},
       PropertyValue(4)},
      {"true: managed false, user true",
       kHot,
       PropertyValue(false),
       PropertyValue(true),
       {},
       PropertyValue(true)},
      {"true: managed true, user false",
       kHot,
       PropertyValue(true),
       PropertyValue(false),
       {},
       PropertyValue(true)},
      {"true: false and the number 0",
       kHot,
       PropertyValue(false),
       PropertyValue(0),
       {},
       PropertyValue(false)},
      {"true: first not Boolean",
       kHot,
       PropertyValue("x"),
       PropertyValue(true),
       {},
       PropertyValue("x")},
      {"true: second not Boolean",
       kHot,
       PropertyValue(false),
       PropertyValue("x"),
       {},
       PropertyValue(false)},
      {"none: the first wins",
       kLaunch,
       PropertyValue(false),
       PropertyValue(true),
       {},
       PropertyValue(false)},
      {"first absent: the second",
       kLaunch,
       std::nullopt,
       PropertyValue(true),
       {},
       PropertyValue(true)},
      {"both absent: the fallback", kLaunch, std::nullopt, std::nullopt, PropertyValue(1),
       PropertyValue(1)},
      {"second absent: the first", kLaunch, PropertyValue(true), std::nullopt, PropertyValue(0),
       PropertyValue(true)},
      {"non-finite first counts as absent",
       kThreshold,
       PropertyValue(nan),
       PropertyValue(20),
       {},
       PropertyValue(20.0)},
      {"non-finite second is never chosen",
       kThreshold,
       PropertyValue(20),
       PropertyValue(inf),
       {},
       PropertyValue(20.0)},
      {"non-finite alone gives nothing",
       kThreshold,
       PropertyValue(inf),
       std::nullopt,
       {},
       std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(VGXPolicy::stricterValue(row(r.key), r.first, r.second, r.fallback), r.expected);
  }
}

}  // namespace
}  // namespace vigilix
