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

Date at(double secondsSince1970) { return Date::fromTimeIntervalSince1970(secondsSince1970); }

TEST(PayloadCaseTest, GoldenRowsRoundTripWithFractionsKeptAndAbsentOptionalsLeftOut) {
  const std::pair<Saved, const char*> rows[] = {
      {{"none", std::nullopt, Duration{1800, at(0)}, at(1800)},
       R"({"deadline":1800,"kind":"none","manualKind":{"duration":{"startedAt":0,"total":1800}}})"},
      {{"none", std::nullopt, None{}, std::nullopt}, R"({"kind":"none","manualKind":{"none":{}}})"},
      {{"until", at(42.75), Indefinite{}, std::nullopt},
       R"({"kind":"until","manualKind":{"indefinite":{}},"until":42.75})"},
      {{"until", at(42.75), Duration{90.5, at(1.25)}, std::nullopt},
       R"({"kind":"until","manualKind":{"duration":{"startedAt":1.25,"total":90.5}},"until":42.75})"},
      {{"untilResumed", std::nullopt, Until{at(60)}, std::nullopt},
       R"({"kind":"untilResumed","manualKind":{"until":{"_0":60}}})"},
      {{"until", at(42.75), Until{at(1700000000.5)}, std::nullopt},
       R"({"kind":"until","manualKind":{"until":{"_0":1700000000.5}},"until":42.75})"},
      {{"none", std::nullopt, std::nullopt, std::nullopt}, R"({"kind":"none"})"},
  };
  for (const auto& [value, literal] : rows) {
    SCOPED_TRACE(literal);
    EXPECT_EQ(encodeSaved(value), literal);
    EXPECT_EQ(decodeSaved(literal), value);
  }
  // Reading accepts null for an optional member as absent, and skips keys that name no case.
  EXPECT_EQ(decodeSaved(R"({"kind":"none","deadline":null})"),
            (Saved{"none", std::nullopt, std::nullopt, std::nullopt}));
  EXPECT_EQ(decodeSaved(R"({"kind":"none","manualKind":{"bogus":1,"indefinite":{}}})"),
            (Saved{"none", std::nullopt, Indefinite{}, std::nullopt}));
}

TEST(PayloadCaseTest, AnythingButExactlyOneKnownCaseOrAPayloadOfTheWrongShapeFails) {
  const std::string notOneCase = "Invalid number of keys found, expected one.";
  const auto manual = [](std::string kind) {
    return R"({"kind":"none","manualKind":)" + kind + "}";
  };
  struct Row {
    std::string text;
    Kind kind;
    CodingPath path;
    std::string message;  // empty: not checked
  };
  const Row rows[] = {
      {manual(R"({"none":{},"indefinite":{}})"), Kind::typeMismatch, {"manualKind"}, notOneCase},
      {manual("{}"), Kind::typeMismatch, {"manualKind"}, notOneCase},
      {manual(R"({"bogus":{}})"), Kind::typeMismatch, {"manualKind"}, notOneCase},
      {manual(R"({"bogus":{},"other":1})"), Kind::typeMismatch, {"manualKind"}, notOneCase},
      {manual(R"({"until":{}})"), Kind::keyNotFound, {"manualKind", "until"}, ""},
      {manual(R"({"none":1})"), Kind::typeMismatch, {"manualKind", "none"}, ""},
      {manual(R"("none")"), Kind::typeMismatch, {"manualKind"}, ""},
      {manual(R"({"duration":{"startedAt":0,"total":"1800"}})"),
       Kind::typeMismatch,
       {"manualKind", "duration", "total"},
       ""},
      {manual(R"({"duration":{"total":1800}})"), Kind::keyNotFound, {"manualKind", "duration"}, ""},
      {R"({"manualKind":{"none":{}}})", Kind::keyNotFound, {}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto saved = decodeSaved(row.text);
    ASSERT_FALSE(saved.has_value());
    EXPECT_EQ(saved.error().kind, row.kind);
    EXPECT_EQ(saved.error().codingPath, row.path);
    if (!row.message.empty()) {
      EXPECT_EQ(saved.error().debugDescription, row.message);
    }
  }
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
