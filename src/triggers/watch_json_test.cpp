#include "triggers/watch_json.h"

#include <gtest/gtest.h>

#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"

namespace vigilix {
namespace {

namespace json = platform::json;
using platform::Date;
using platform::UUID;

const UUID kId = UUID::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").value();

std::string written(const Watch& watch) { return json::write(encodeJSONValue(watch)).value(); }

std::expected<Watch, json::DecodingError> read(std::string_view text) {
  return json::decode(text, [](const json::ValueReader& value) { return decodeWatch(value); });
}

// GCC 12 at -O2 and above takes the variants in a table being unwound for
// uninitialised (a false report); other compilers and levels still check.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// Each watch writes exactly its literal, and the literal reads back as the watch.
TEST(WatchJSONTest, GoldenRowsRoundTrip) {
  struct Row {
    const char* name;
    Watch value;
    std::string literal;
  };
  const Row rows[] = {
      {"file",
       {kId, WatchKind::file("/Users/me/Downloads/a.zip", "a.zip"), Date(726000000.5)},
       R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
       R"("kind":{"file":{"path":"\/Users\/me\/Downloads\/a.zip","displayName":"a.zip"}},)"
       R"("startedAt":726000000.5})"},
      {"app",
       {kId, WatchKind::app(501, "com.example.Editor", "Editor"), Date(12)},
       R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","kind":{"app":)"
       R"({"processIdentifier":501,"bundleIdentifier":"com.example.Editor",)"
       R"("displayName":"Editor"}},"startedAt":12})"},
      {"process",
       {kId, WatchKind::process(-7, "job"), Date(-1.25)},
       R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
       R"("kind":{"process":{"processIdentifier":-7,"label":"job"}},"startedAt":-1.25})"},
      {"file with a space and microseconds",
       {kId, WatchKind::file("/d/a b", "a b"), Date(726000000.123456)},
       R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
       R"("kind":{"file":{"path":"\/d\/a b","displayName":"a b"}},"startedAt":726000000.123456})"},
      {"largest process identifier",
       {kId, WatchKind::app(2147483647, "com.x", "X"), Date(0)},
       R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","kind":{"app":)"
       R"({"processIdentifier":2147483647,"bundleIdentifier":"com.x","displayName":"X"}},)"
       R"("startedAt":0})"},
      {"smallest process identifier",
       {kId, WatchKind::process(-2147483647 - 1, ""), Date(1e9)},
       R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
       R"("kind":{"process":{"processIdentifier":-2147483648,"label":""}},)"
       R"("startedAt":1000000000})"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(written(row.value), row.literal);
    EXPECT_EQ(read(row.literal), row.value);
  }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST(WatchJSONTest, ReadsLowerCaseIdsAndIgnoresUnknownKeys) {
  EXPECT_EQ(read(R"({"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","startedAt":3,"extra":1,)"
                 R"("kind":{"process":{"label":"l","processIdentifier":9,"color":"red"}}})"),
            (Watch{kId, WatchKind::process(9, "l"), Date(3)}));
}

TEST(WatchJSONTest, KindMustHoldExactlyOneKnownCase) {
  const auto twoCases =
      read(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0,"kind":)"
           R"({"file":{"path":"/a","displayName":"a"},"app":{"processIdentifier":1,)"
           R"("bundleIdentifier":"b","displayName":"c"}}})");
  ASSERT_FALSE(twoCases.has_value());
  EXPECT_EQ(twoCases.error().debugDescription, "Invalid number of keys found, expected one.");
  EXPECT_EQ(twoCases.error().codingPath, (json::CodingPath{"kind"}));

  for (const char* kind : {R"({})", R"({"folder":{"path":"/a"}})", R"("file")"}) {
    const std::string text =
        std::string(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0,"kind":)") +
        kind + "}";
    EXPECT_FALSE(read(text).has_value()) << kind;
  }
}

TEST(WatchJSONTest, EveryKeyAndPayloadFieldIsRequired) {
  for (const char* text : {
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","kind":{"process":)"
           R"({"processIdentifier":1,"label":"x"}}})",
           R"({"startedAt":0,"kind":{"process":{"processIdentifier":1,"label":"x"}}})",
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0})",
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0,"kind":{"app":)"
           R"({"processIdentifier":1,"bundleIdentifier":"b"}}})",
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0,"kind":{"file":)"
           R"({"path":"/a"}}})",
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":null,"kind":)"
           R"({"process":{"processIdentifier":1,"label":"x"}}})",
       }) {
    EXPECT_FALSE(read(text).has_value()) << text;
  }
}

TEST(WatchJSONTest, RefusesInvalidIdsIdentifiersAndNumbers) {
  const auto badId = read(R"({"id":"not-a-uuid","startedAt":0,"kind":)"
                          R"({"process":{"processIdentifier":1,"label":"x"}}})");
  ASSERT_FALSE(badId.has_value());
  EXPECT_EQ(badId.error().kind, json::DecodingError::Kind::dataCorrupted);

  const auto wide = read(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0,"kind":)"
                         R"({"app":{"processIdentifier":2147483648,"bundleIdentifier":"b",)"
                         R"("displayName":"c"}}})");
  ASSERT_FALSE(wide.has_value());
  EXPECT_EQ(wide.error().debugDescription,
            "Parsed JSON number <2147483648> does not fit in Int32.");
  EXPECT_EQ(wide.error().codingPath, (json::CodingPath{"kind", "app", "processIdentifier"}));

  for (const char* text : {
           // Beyond 32 bits.
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0,"kind":)"
           R"({"process":{"processIdentifier":4294967296,"label":"x"}}})",
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":0,"kind":)"
           R"({"process":{"processIdentifier":1.5,"label":"x"}}})",
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":1e999,"kind":)"
           R"({"process":{"processIdentifier":1,"label":"x"}}})",
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":"now","kind":)"
           R"({"process":{"processIdentifier":1,"label":"x"}}})",
       }) {
    EXPECT_FALSE(read(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace vigilix
