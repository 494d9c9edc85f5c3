#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "keepawake/health_line.h"
#include "keepawake/health_registry.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

namespace json = platform::json;

std::string encodeText(const VGXHealthLine& line) {
  auto text = json::write(encodeHealthLine(line));
  EXPECT_TRUE(text.has_value());
  return text.value_or("");
}

std::expected<VGXHealthLine, json::DecodingError> decodeText(std::string_view text) {
  auto document = json::parse(text);
  EXPECT_TRUE(document.has_value()) << text;
  return decodeHealthLine(*document);
}

TEST(HealthSeverityTest, RawValuesAndTitles) {
  EXPECT_EQ(rawValue(VGXHealthSeverity::Warning), "warning");
  EXPECT_EQ(healthSeverityFromRawValue("error"), VGXHealthSeverity::Error);
  EXPECT_EQ(healthSeverityFromRawValue("Error"), std::nullopt);
  EXPECT_EQ(localizedTitle(VGXHealthSeverity::Ok), "OK");
  EXPECT_EQ(localizedTitle(VGXHealthSeverity::Warning), "Needs attention");
  EXPECT_EQ(localizedTitle(VGXHealthSeverity::Error), "Error");
}

TEST(HealthLineJsonTest, GoldenRowsHaveTheFourKeysInOrderAndLeaveOutAMissingFixAction) {
  const std::pair<VGXHealthLine, const char*> rows[] = {
      {{"Closed-lid mode", "Helper approved", VGXHealthSeverity::Ok, std::nullopt},
       R"({"title":"Closed-lid mode","detail":"Helper approved","severity":"ok"})"},
      {{"Assertion", "Missing", VGXHealthSeverity::Error, std::string("repairAssertion")},
       R"({"title":"Assertion","detail":"Missing","severity":"error","fixActionID":"repairAssertion"})"},
      {{"A \"quoted\" title", "\u00e9", VGXHealthSeverity::Error, "x"},
       R"({"title":"A \"quoted\" title","detail":"é","severity":"error","fixActionID":"x"})"},
  };
  for (const auto& [value, literal] : rows) {
    SCOPED_TRACE(literal);
    EXPECT_EQ(encodeText(value), literal);
    EXPECT_EQ(decodeText(literal), value);
  }
  EXPECT_EQ(decodeText(R"({"severity":"warning","detail":"d","title":"t"})"),
            (VGXHealthLine{"t", "d", VGXHealthSeverity::Warning, std::nullopt}))
      << "read in any key order";
}

TEST(HealthLineJsonTest, RefusesAnUnknownSeverityAndMissingOrMistypedFields) {
  using Kind = json::DecodingError::Kind;
  struct Row {
    const char* text;
    Kind kind;
    json::CodingPath path;
  };
  const Row rows[] = {
      {R"({"title":"t","detail":"d","severity":"fatal"})", Kind::dataCorrupted, {"severity"}},
      {R"({"title":"t","severity":"ok"})", Kind::keyNotFound, {}},
      {R"({"title":1,"detail":"d","severity":"ok"})", Kind::typeMismatch, {"title"}},
      {R"({"title":"t","detail":"d","severity":"ok","fixActionID":3})",
       Kind::typeMismatch,
       {"fixActionID"}},
      {R"(["t","d","ok"])", Kind::typeMismatch, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto result = decodeText(row.text);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().kind, row.kind);
    EXPECT_EQ(result.error().codingPath, row.path);
  }
}

class HealthRegistryTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform;
};

VGXHealthLine line(std::string title) {
  return {std::move(title), "", VGXHealthSeverity::Ok, std::nullopt};
}

TEST_F(HealthRegistryTest, EmptyWithoutProviders) {
  EXPECT_TRUE(VGXHealthRegistry::lines().empty());
}

TEST_F(HealthRegistryTest, ConcatenatesProvidersInRegistrationOrderOnEveryCall) {
  int calls = 0;
  VGXHealthRegistry::registerProvider([&] {
    ++calls;
    return std::vector{line("A1"), line("A2")};
  });
  VGXHealthRegistry::registerProvider([] { return std::vector{line("B1")}; });
  EXPECT_EQ(VGXHealthRegistry::lines(), (std::vector{line("A1"), line("A2"), line("B1")}));
  EXPECT_EQ(VGXHealthRegistry::lines().size(), 3u);
  EXPECT_EQ(calls, 2) << "nothing is cached";
}

TEST_F(HealthRegistryTest, AProviderMayRegisterAndAskWithoutDeadlock) {
  bool registered = false;
  VGXHealthRegistry::registerProvider([&] {
    if (!registered) {
      registered = true;
      VGXHealthRegistry::registerProvider([] { return std::vector{line("late")}; });
    }
    return std::vector{line("first")};
  });
  VGXHealthRegistry::registerProvider([] {
    // Asking from inside a provider must not deadlock or recurse for ever.
    static thread_local int depth = 0;
    if (depth > 0) return std::vector<VGXHealthLine>{};
    ++depth;
    auto nested = VGXHealthRegistry::lines();
    --depth;
    return std::vector{line("nested " + std::to_string(nested.size()))};
  });
  // The provider registered during this call is first asked next time.
  EXPECT_EQ(VGXHealthRegistry::lines(), (std::vector{line("first"), line("nested 2")}));
  EXPECT_EQ(VGXHealthRegistry::lines(),
            (std::vector{line("first"), line("nested 2"), line("late")}));
}

TEST_F(HealthRegistryTest, RegistersFromManyThreads) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([] {
      for (int j = 0; j < 25; ++j)
        VGXHealthRegistry::registerProvider([] { return std::vector{line("x")}; });
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(VGXHealthRegistry::lines().size(), 200u);
}

TEST(HealthRegistryResetTest, ListIsClearedWithEachTestPlatform) {
  {
    testing::TestPlatform platform;
    VGXHealthRegistry::registerProvider([] { return std::vector{line("x")}; });
    EXPECT_EQ(VGXHealthRegistry::lines().size(), 1u);
  }
  testing::TestPlatform platform;
  EXPECT_TRUE(VGXHealthRegistry::lines().empty());
}

}  // namespace
}  // namespace vigilix
