#include "sleepguard/core/guard_records.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vigilix {
namespace {

platform::Bytes bytes(std::string_view text) { return {text.begin(), text.end()}; }
std::string text(const platform::Bytes& data) { return {data.begin(), data.end()}; }

constexpr std::uint64_t kMax = 18446744073709551615ull;

// Each row encodes to exactly `literal`, and `literal` decodes to the value.
template <typename Record>
struct Golden {
  const char* name;
  Record value;
  const char* literal;
};

template <typename Record, typename Encode, typename Decode>
void checkGolden(const std::vector<Golden<Record>>& rows, Encode encode, Decode decode) {
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto encoded = encode(row.value);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(text(*encoded), row.literal);
    auto decoded = decode(bytes(row.literal));
    ASSERT_TRUE(decoded.has_value()) << decoded.error().description();
    EXPECT_EQ(*decoded, row.value);
  }
}

TEST(GuardRecords, JournalAgainstLiteralJson) {
  checkGolden<Journal>(
      {
          {"intent without rearm",
           {1, Journal::Phase::intent, "B-1", 7, 501, 123, std::nullopt},
           R"({"version":1,"phase":"intent","bootUUID":"B-1","generation":7,"uid":501,"setAt":123})"},
          {"applied with rearm, extreme integers",
           {1, Journal::Phase::applied, "B", 9223372036854775807, 4294967295u, kMax, true},
           R"({"version":1,"phase":"applied","bootUUID":"B","generation":9223372036854775807,)"
           R"("uid":4294967295,"setAt":18446744073709551615,"rearmPending":true})"},
          {"clearing, rearm false kept",
           {1, Journal::Phase::clearing, "B", 0, 0, 0, false},
           R"({"version":1,"phase":"clearing","bootUUID":"B","generation":0,"uid":0,"setAt":0,)"
           R"("rearmPending":false})"},
      },
      encodeJournal, decodeJournal);
}

TEST(GuardRecords, SafetyAgainstLiteralJson) {
  checkGolden<Safety>(
      {
          {"optional keys left out",
           {"B", 10, 20, 5, 30, std::nullopt, std::nullopt, std::nullopt},
           R"({"bootUUID":"B","sessionStartedAt":10,"heldNs":20,"batteryHeldNs":5,)"
           R"("lastCheckpoint":30})"},
          {"saturated with latch and flags",
           {"B", 1, kMax, kMax, 2, VGXGuardLatch::totalCap, true, false},
           R"({"bootUUID":"B","sessionStartedAt":1,"heldNs":18446744073709551615,)"
           R"("batteryHeldNs":18446744073709551615,"lastCheckpoint":2,"latch":"totalCap",)"
           R"("requiresRearm":true,"active":false})"},
          {"externally cleared",
           {"B", 0, 0, 0, 0, VGXGuardLatch::externallyCleared, std::nullopt, true},
           R"({"bootUUID":"B","sessionStartedAt":0,"heldNs":0,"batteryHeldNs":0,)"
           R"("lastCheckpoint":0,"latch":"externallyCleared","active":true})"},
      },
      encodeSafety, decodeSafety);
}

TEST(GuardRecords, MaintenanceAndInstallationAgainstLiteralJson) {
  checkGolden<Maintenance>(
      {
          {"update with generation",
           {"T1", Maintenance::Operation::update, "staged", "G7"},
           R"({"txID":"T1","op":"update","phase":"staged","installGeneration":"G7"})"},
          {"app missing without generation",
           {"T2", Maintenance::Operation::appMissingUninstall, "begun", std::nullopt},
           R"({"txID":"T2","op":"appMissingUninstall","phase":"begun"})"},
          {"uninstall with escaped text",
           {"T\"3", Maintenance::Operation::uninstall, "a/b", std::nullopt},
           R"({"txID":"T\"3","op":"uninstall","phase":"a\/b"})"},
      },
      encodeMaintenance, decodeMaintenance);
  checkGolden<Installation>({{"plain", {"G1"}, R"({"installGeneration":"G1"})"}},
                            encodeInstallation, decodeInstallation);
}

// Literals that other writers may produce: any key order, spacing, unknown
// keys, null for an optional key, integral doubles.
TEST(GuardRecords, DecodesWhatOtherWritersMayProduce) {
  auto safety = decodeSafety(
      bytes(R"( { "latch" : null, "lastCheckpoint" : 3.0, "batteryHeldNs": 0, "heldNs": 1e3,)"
            R"( "sessionStartedAt": 1, "bootUUID": "B", "extra": [1] } )"));
  ASSERT_TRUE(safety.has_value()) << safety.error().description();
  EXPECT_EQ(*safety, (Safety{"B", 1, 1000, 0, 3, std::nullopt, std::nullopt, std::nullopt}));
}

TEST(GuardRecords, UndecodableRecords) {
  const std::string journal =
      R"("phase":"intent","bootUUID":"B","generation":1,"uid":501,"setAt":5)";
  struct Row {
    const char* name;
    std::function<bool(const platform::Bytes&)> decodes;
    std::string literal;
  };
  auto safetyDecodes = [](const platform::Bytes& d) { return decodeSafety(d).has_value(); };
  auto journalDecodes = [](const platform::Bytes& d) { return decodeJournal(d).has_value(); };
  auto maintenanceDecodes = [](const platform::Bytes& d) {
    return decodeMaintenance(d).has_value();
  };
  const std::string safety = R"("bootUUID":"B","sessionStartedAt":1,"batteryHeldNs":0,)"
                             R"("lastCheckpoint":1)";
  const Row rows[] = {
      {"latch in wrong case", safetyDecodes, "{" + safety + R"(,"heldNs":0,"latch":"Heat"})"},
      {"missing heldNs", safetyDecodes, "{" + safety + "}"},
      {"heldNs above UInt64", safetyDecodes, "{" + safety + R"(,"heldNs":18446744073709551616})"},
      {"negative heldNs", safetyDecodes, "{" + safety + R"(,"heldNs":-1})"},
      {"fractional heldNs", safetyDecodes, "{" + safety + R"(,"heldNs":1.5})"},
      {"heldNs as text", safetyDecodes, "{" + safety + R"(,"heldNs":"1"})"},
      {"active as number", safetyDecodes, "{" + safety + R"(,"heldNs":0,"active":1})"},
      {"unknown phase", journalDecodes,
       R"({"version":1,"phase":"done","bootUUID":"B","generation":1,"uid":1,"setAt":5})"},
      {"uid above UInt32", journalDecodes,
       R"({"version":1,"phase":"intent","bootUUID":"B","generation":1,"uid":4294967296,)"
       R"("setAt":5})"},
      {"negative uid", journalDecodes,
       R"({"version":1,"phase":"intent","bootUUID":"B","generation":1,"uid":-1,"setAt":5})"},
      {"generation above Int", journalDecodes,
       R"({"version":1,"phase":"intent","bootUUID":"B","generation":9223372036854775808,)"
       R"("uid":1,"setAt":5})"},
      {"missing version", journalDecodes, "{" + journal + "}"},
      {"null version", journalDecodes, R"({"version":null,)" + journal + "}"},
      {"unknown operation", maintenanceDecodes, R"({"txID":"T","op":"install","phase":"p"})"},
      {"not an object", journalDecodes, "[1]"},
      {"not JSON", journalDecodes, "{"},
      {"trailing garbage", journalDecodes, R"({"version":1,)" + journal + "}x"},
      {"empty", journalDecodes, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(row.decodes(bytes(row.literal)));
  }
  EXPECT_TRUE(journalDecodes(bytes(R"({"version":1,)" + journal + "}")));
  EXPECT_TRUE(safetyDecodes(bytes("{" + safety + R"(,"heldNs":0})")));
}

TEST(GuardRecords, ValidityRules) {
  struct JournalRow {
    const char* name;
    const char* literal;
    bool valid;
  };
  const JournalRow journals[] = {
      {"version 1",
       R"({"version":1,"phase":"intent","bootUUID":"B","generation":0,"uid":0,"setAt":0})", true},
      {"version 2",
       R"({"version":2,"phase":"intent","bootUUID":"B","generation":0,"uid":0,"setAt":0})", false},
      {"negative generation",
       R"({"version":1,"phase":"intent","bootUUID":"B","generation":-1,"uid":0,"setAt":0})", false},
      {"empty boot",
       R"({"version":1,"phase":"intent","bootUUID":"","generation":0,"uid":0,"setAt":0})", false},
  };
  for (const auto& row : journals) {
    SCOPED_TRACE(row.name);
    auto decoded = decodeJournal(bytes(row.literal));
    ASSERT_TRUE(decoded.has_value());  // decodes, but may be unusable
    EXPECT_EQ(decoded->isValid(), row.valid);
  }
  struct SafetyRow {
    const char* name;
    Safety value;
    bool valid;
  };
  const SafetyRow safeties[] = {
      {"plain", {"B", 5, 3, 3, 5, {}, {}, {}}, true},
      {"empty boot", {"", 5, 3, 3, 5, {}, {}, {}}, false},
      {"checkpoint before start", {"B", 5, 3, 3, 4, {}, {}, {}}, false},
      {"battery above total", {"B", 5, 3, 4, 5, {}, {}, {}}, false},
      {"saturated", {"B", 0, kMax, kMax, kMax, {}, {}, {}}, true},
  };
  for (const auto& row : safeties) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.value.isValid(), row.valid);
  }
}

TEST(GuardRecords, RawTexts) {
  EXPECT_EQ(journalPhaseFromRawValue("clearing"), Journal::Phase::clearing);
  EXPECT_EQ(journalPhaseFromRawValue("Intent"), std::nullopt);
  EXPECT_EQ(maintenanceOperationFromRawValue("appMissingUninstall"),
            Maintenance::Operation::appMissingUninstall);
  EXPECT_EQ(maintenanceOperationFromRawValue(""), std::nullopt);
}

}  // namespace
}  // namespace vigilix
