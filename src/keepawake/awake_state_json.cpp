#include "keepawake/awake_state_json.h"

#include "platform/json/payload_case.h"

namespace vigilix {

namespace json = platform::json;

namespace {
constexpr const char* kDuration = "duration";
constexpr const char* kUntil = "until";
constexpr const char* kNone = "none";
constexpr const char* kIndefinite = "indefinite";
}  // namespace

json::Value encodeManualSessionKind(const ManualSessionKind& kind, json::DateStrategy dates) {
  switch (kind.kind()) {
    case ManualSessionKind::Kind::duration: {
      json::Value payload = json::Value::object();
      payload["total"] = kind.total();
      payload["startedAt"] = json::encodeDate(kind.startedAt(), dates);
      return json::payloadCase(kDuration, std::move(payload));
    }
    case ManualSessionKind::Kind::until:
      return json::payloadCase(kUntil, json::unnamedPayload(json::encodeDate(kind.date(), dates)));
    case ManualSessionKind::Kind::none:
      return json::payloadCase(kNone);
    case ManualSessionKind::Kind::indefinite:
      return json::payloadCase(kIndefinite);
  }
  return json::payloadCase(kNone);
}

std::expected<ManualSessionKind, json::DecodingError> decodeManualSessionKind(
    const json::ValueReader& value) {
  auto which = json::readPayloadCase(value, {kDuration, kUntil, kNone, kIndefinite});
  if (!which) return std::unexpected(which.error());
  auto payload = which->payload.asObject();
  if (!payload) return std::unexpected(payload.error());

  if (which->name == kDuration) {
    auto total = payload->requireDouble("total");
    if (!total) return std::unexpected(total.error());
    auto startedAt = payload->requireDate("startedAt");
    if (!startedAt) return std::unexpected(startedAt.error());
    return ManualSessionKind::duration(*total, *startedAt);
  }
  if (which->name == kUntil) {
    auto date = payload->requireDate(json::kUnnamedPayloadKey);
    if (!date) return std::unexpected(date.error());
    return ManualSessionKind::until(*date);
  }
  if (which->name == kIndefinite) return ManualSessionKind::indefinite();
  return ManualSessionKind::none();
}

}  // namespace vigilix
