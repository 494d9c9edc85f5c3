#include "hub/policy_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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

TEST(PolicyValuesTest, BoolValueReadsBooleansAndNumbersAsTheDefaultsDo) {
  struct Row {
    const char* name;
    VGXPolicy::Value value;
    std::optional<bool> expected;
  };
  const Row rows[] = {
      {"Bool", PropertyValue(true), true},
      {"integer 1", PropertyValue(1), true},
      {"integer 0", PropertyValue(0), false},
      {"real 1", PropertyValue(1.0), true},
      {"negative integer", PropertyValue(-3), true},
      {"integer 2", PropertyValue(2), true},
      {"fraction", PropertyValue(0.5), true},
      {"not a number", PropertyValue(std::nan("")), std::nullopt},
      {"infinity", PropertyValue(-std::numeric_limits<double>::infinity()), std::nullopt},
      {"text", PropertyValue("true"), std::nullopt},
      {"data", PropertyValue(platform::Bytes{1}), std::nullopt},
      {"no value", std::nullopt, std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXPolicy::boolValue(row.value), row.expected);
    EXPECT_EQ(VGXPolicy::boolValue(row.value), platform::booleanOf(row.value));
  }
}

TEST(PolicyValuesTest, NumbersConvertButNeverFromBooleansOrNonFiniteReals) {
  EXPECT_EQ(VGXPolicy::intValue(PropertyValue(2.9)), 2);
  EXPECT_EQ(VGXPolicy::intValue(PropertyValue(-2.9)), -2);
  EXPECT_EQ(VGXPolicy::intValue(PropertyValue(true)), std::nullopt);
  EXPECT_EQ(VGXPolicy::intValue(PropertyValue(1e30)), std::nullopt);
  EXPECT_EQ(VGXPolicy::intValue(PropertyValue(std::nan(""))), std::nullopt);
  EXPECT_EQ(VGXPolicy::doubleValue(PropertyValue(7)), 7.0);
  EXPECT_EQ(VGXPolicy::doubleValue(PropertyValue("7")), std::nullopt);
  EXPECT_EQ(VGXPolicy::doubleValue(PropertyValue(std::numeric_limits<double>::infinity())),
            std::nullopt);
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

TEST(PolicyMergeTest, HigherIsStricterKeepsTheHigherNumber) {
  const auto& threshold = row("run.tarvo.vigilix.BatteryCapacityThreshold");
  EXPECT_EQ(VGXPolicy::stricterValue(threshold, PropertyValue(30), PropertyValue(20), {}),
            PropertyValue(30.0));
  EXPECT_EQ(VGXPolicy::stricterValue(threshold, PropertyValue(15), PropertyValue(40), {}),
            PropertyValue(40.0));
  // A value that is no number does not compare: the first stands.
  EXPECT_EQ(VGXPolicy::stricterValue(threshold, PropertyValue(15), PropertyValue("90"), {}),
            PropertyValue(15.0));
}

TEST(PolicyMergeTest, LowerIsStricterKeepsTheLowerNumber) {
  const auto& cap = row("VGXClosedLidBatteryCapHours");
  EXPECT_EQ(VGXPolicy::stricterValue(cap, PropertyValue(2), PropertyValue(4), {}),
            PropertyValue(2));
  EXPECT_EQ(VGXPolicy::stricterValue(cap, PropertyValue(4), PropertyValue(2), {}),
            PropertyValue(2));
  EXPECT_EQ(VGXPolicy::stricterValue(cap, PropertyValue(4.5), PropertyValue(4), {}),
            PropertyValue(4));
}

TEST(PolicyMergeTest, TrueIsStricterWhenEitherIsTrue) {
  const auto& hot = row("VGXStopWhenHot");
  EXPECT_EQ(VGXPolicy::stricterValue(hot, PropertyValue(false), PropertyValue(true), {}),
            PropertyValue(true));
  EXPECT_EQ(VGXPolicy::stricterValue(hot, PropertyValue(true), PropertyValue(false), {}),
            PropertyValue(true));
  EXPECT_EQ(VGXPolicy::stricterValue(hot, PropertyValue(false), PropertyValue(0), {}),
            PropertyValue(false));
  EXPECT_EQ(VGXPolicy::stricterValue(hot, PropertyValue("x"), PropertyValue(true), {}),
            PropertyValue("x"));
  EXPECT_EQ(VGXPolicy::stricterValue(hot, PropertyValue(false), PropertyValue("x"), {}),
            PropertyValue(false));
}

TEST(PolicyMergeTest, NoneKeepsTheFirstAndAbsenceFallsBack) {
  const auto& launch = row("run.tarvo.vigilix.ActivateOnLaunch");
  EXPECT_EQ(VGXPolicy::stricterValue(launch, PropertyValue(false), PropertyValue(true), {}),
            PropertyValue(false));
  EXPECT_EQ(VGXPolicy::stricterValue(launch, std::nullopt, PropertyValue(true), {}),
            PropertyValue(true));
  EXPECT_EQ(VGXPolicy::stricterValue(launch, std::nullopt, std::nullopt, PropertyValue(1)),
            PropertyValue(1));
  EXPECT_EQ(VGXPolicy::stricterValue(launch, PropertyValue(true), std::nullopt, PropertyValue(0)),
            PropertyValue(true));
}

TEST(PolicyMergeTest, NonFiniteNumberCountsAsAbsentAndIsNeverChosen) {
  const auto& threshold = row("run.tarvo.vigilix.BatteryCapacityThreshold");
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(VGXPolicy::stricterValue(threshold, PropertyValue(nan), PropertyValue(20), {}),
            PropertyValue(20.0));
  EXPECT_EQ(VGXPolicy::stricterValue(threshold, PropertyValue(20), PropertyValue(inf), {}),
            PropertyValue(20.0));
  EXPECT_EQ(VGXPolicy::stricterValue(threshold, PropertyValue(inf), std::nullopt, {}),
            std::nullopt);
}

}  // namespace
}  // namespace vigilix
