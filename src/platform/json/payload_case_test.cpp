#include "platform/json/payload_case.h"

#include <gtest/gtest.h>

#include <variant>

#include "platform/json/json_writer.h"
#include "platform/json/object_builder.h"

namespace vigilix::platform::json {
namespace {

using Kind = DecodingError::Kind;

// A payload enumeration and a record holding it, coded the way record codecs
// are meant to use these helpers.
struct None {
  bool operator==(const None&) const = default;
};
struct Indefinite {
  bool operator==(const Indefinite&) const = default;
};
struct Duration {
  double total = 0;
  Date startedAt;
  bool operator==(const Duration&) const = default;
};
struct Until {
  Date date;
  bool operator==(const Until&) const = default;
};
using Session = std::variant<None, Indefinite, Duration, Until>;

struct Saved {
  std::string kind;
  std::optional<Date> until;
  std::optional<Session> manualKind;
  std::optional<Date> deadline;
  bool operator==(const Saved&) const = default;
};

Value encodeSession(const Session& s, DateStrategy dates) {
  if (std::holds_alternative<None>(s)) return payloadCase("none");
  if (std::holds_alternative<Indefinite>(s)) return payloadCase("indefinite");
  if (auto* d = std::get_if<Duration>(&s)) {
    return payloadCase(
        "duration",
        ObjectBuilder(dates).set("total", d->total).setDate("startedAt", d->startedAt).build());
  }
  return payloadCase("until", unnamedPayload(encodeDate(std::get<Until>(s).date, dates)));
}

std::expected<Session, DecodingError> decodeSession(const ValueReader& v) {
  auto which = readPayloadCase(v, {"none", "indefinite", "duration", "until"});
  if (!which) return std::unexpected(which.error());
  auto payload = which->payload.asObject();
  if (!payload) return std::unexpected(payload.error());
  if (which->name == "none") return None{};
  if (which->name == "indefinite") return Indefinite{};
  if (which->name == "duration") {
    auto total = payload->requireDouble("total");
    if (!total) return std::unexpected(total.error());
    auto startedAt = payload->requireDate("startedAt");
    if (!startedAt) return std::unexpected(startedAt.error());
    return Duration{*total, *startedAt};
  }
  auto date = payload->requireDate(kUnnamedPayloadKey);
  if (!date) return std::unexpected(date.error());
  return Until{*date};
}

std::string encodeSaved(const Saved& s) {
  constexpr auto dates = DateStrategy::secondsSince1970;
  // Inserted in declaration order on purpose: the writer sorts.
  ObjectBuilder b(dates);
  b.set("kind", s.kind).setOptionalDate("until", s.until);
  if (s.manualKind) b.set("manualKind", encodeSession(*s.manualKind, dates));
  b.setOptionalDate("deadline", s.deadline);
  return write(std::move(b).build(), {.sortedKeys = true}).value();
}

std::expected<Saved, DecodingError> decodeSaved(std::string_view text) {
  return decode(
      text,
      [](const ValueReader& root) -> std::expected<Saved, DecodingError> {
        auto object = root.asObject();
        if (!object) return std::unexpected(object.error());
        Saved s;
        auto kind = object->requireString("kind");
        if (!kind) return std::unexpected(kind.error());
        s.kind = *kind;
        auto until = object->optionalDate("until");
        if (!until) return std::unexpected(until.error());
        s.until = *until;
        if (auto manual = object->optional("manualKind")) {
          auto session = decodeSession(*manual);
          if (!session) return std::unexpected(session.error());
          s.manualKind = *session;
        }
        auto deadline = object->optionalDate("deadline");
        if (!deadline) return std::unexpected(deadline.error());
        s.deadline = *deadline;
        return s;
      },
      DateStrategy::secondsSince1970);
}

constexpr const char* kTimedSession =
    R"({"deadline":1800,"kind":"none","manualKind":{"duration":{"startedAt":0,"total":1800}}})";

TEST(PayloadCaseTest, SavedTimedSessionMatchesTheStoredTextExactly) {
  Saved saved{"none", std::nullopt, Duration{1800, Date::fromTimeIntervalSince1970(0)},
              Date::fromTimeIntervalSince1970(1800)};
  EXPECT_EQ(encodeSaved(saved), kTimedSession);
  EXPECT_EQ(decodeSaved(kTimedSession), saved);
}

TEST(PayloadCaseTest, EveryCaseRoundTripsWithFractionsKept) {
  for (const Session& s : std::vector<Session>{
           None{}, Indefinite{}, Duration{90.5, Date::fromTimeIntervalSince1970(1.25)},
           Until{Date::fromTimeIntervalSince1970(1700000000.5)}}) {
    Saved saved{"until", Date::fromTimeIntervalSince1970(42.75), s, std::nullopt};
    auto back = decodeSaved(encodeSaved(saved));
    ASSERT_TRUE(back.has_value()) << encodeSaved(saved);
    EXPECT_EQ(*back, saved);
  }
  EXPECT_EQ(encodeSaved({"none", std::nullopt, None{}, std::nullopt}),
            R"({"kind":"none","manualKind":{"none":{}}})");
  EXPECT_EQ(encodeSaved({"untilResumed", std::nullopt, Until{Date::fromTimeIntervalSince1970(60)},
                         std::nullopt}),
            R"({"kind":"untilResumed","manualKind":{"until":{"_0":60}}})");
}

TEST(PayloadCaseTest, AbsentOptionalsAreLeftOutNotNull) {
  EXPECT_EQ(encodeSaved({"none", std::nullopt, std::nullopt, std::nullopt}), R"({"kind":"none"})");
  // Reading accepts null for an optional member as absent.
  EXPECT_EQ(decodeSaved(R"({"kind":"none","deadline":null})"),
            (Saved{"none", std::nullopt, std::nullopt, std::nullopt}));
}

TEST(PayloadCaseTest, UntilPayloadReadsItsUnnamedDate) {
  auto saved = decodeSaved(R"({"kind":"none","manualKind":{"until":{"_0":60}}})");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->manualKind, Session(Until{Date::fromTimeIntervalSince1970(60)}));

  auto empty = decodeSaved(R"({"kind":"none","manualKind":{"until":{}}})");
  ASSERT_FALSE(empty.has_value());
  EXPECT_EQ(empty.error().kind, Kind::keyNotFound);
  EXPECT_EQ(empty.error().codingPath, (CodingPath{"manualKind", "until"}));
}

TEST(PayloadCaseTest, AnythingButExactlyOneKnownCaseFails) {
  for (const char* manual :
       {R"({"none":{},"indefinite":{}})", "{}", R"({"bogus":{}})", R"({"bogus":{},"other":1})"}) {
    std::string text = std::string(R"({"kind":"none","manualKind":)") + manual + "}";
    auto saved = decodeSaved(text);
    ASSERT_FALSE(saved.has_value()) << manual;
    EXPECT_EQ(saved.error(), (DecodingError{Kind::typeMismatch,
                                            {"manualKind"},
                                            "Invalid number of keys found, expected one."}))
        << manual;
  }
  // Keys that name no case are not counted.
  auto extra = decodeSaved(R"({"kind":"none","manualKind":{"bogus":1,"indefinite":{}}})");
  ASSERT_TRUE(extra.has_value());
  EXPECT_EQ(extra->manualKind, Session(Indefinite{}));
}

TEST(PayloadCaseTest, PayloadsOfTheWrongShapeFail) {
  EXPECT_EQ(decodeSaved(R"({"kind":"none","manualKind":{"none":1}})").error().kind,
            Kind::typeMismatch);
  EXPECT_EQ(decodeSaved(R"({"kind":"none","manualKind":"none"})").error().kind, Kind::typeMismatch);
  auto total =
      decodeSaved(R"({"kind":"none","manualKind":{"duration":{"startedAt":0,"total":"1800"}}})");
  ASSERT_FALSE(total.has_value());
  EXPECT_EQ(total.error().codingPath, (CodingPath{"manualKind", "duration", "total"}));
  EXPECT_EQ(decodeSaved(R"({"kind":"none","manualKind":{"duration":{"total":1800}}})").error().kind,
            Kind::keyNotFound);
  EXPECT_EQ(decodeSaved(R"({"manualKind":{"none":{}}})").error().kind, Kind::keyNotFound);
}

TEST(ObjectBuilderTest, DataAndDatesUseTheirStoredForms) {
  Value v = ObjectBuilder()
                .set("id", "x")
                .setData("bookmark", Bytes{0xFF, 0x00})
                .setData("empty", Bytes{})
                .setDate("at", Date(0.5))
                .setOptional("label", std::optional<std::string>())
                .setOptional("count", std::optional<std::int64_t>(3))
                .setOptionalData("none", std::nullopt)
                .build();
  EXPECT_EQ(write(v).value(), R"({"id":"x","bookmark":"\/wA=","empty":"","at":0.5,"count":3})");
  EXPECT_EQ(write(v, {.withoutEscapingSlashes = true}).value(),
            R"({"id":"x","bookmark":"/wA=","empty":"","at":0.5,"count":3})");
  EXPECT_EQ(
      write(ObjectBuilder(DateStrategy::secondsSince1970).setDate("at", Date(0)).build()).value(),
      R"({"at":978307200})");
}

}  // namespace
}  // namespace vigilix::platform::json
