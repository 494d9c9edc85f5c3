#include "keepawake/persistent_state.h"

#include <string>

#include "keepawake/awake_state_json.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/json/value_reader.h"

namespace vigilix {

namespace json = platform::json;

namespace {
constexpr auto kDates = json::DateStrategy::secondsSince1970;
}

std::expected<platform::Bytes, json::EncodingError> encodePersistentState(
    const PersistentState& state) {
  json::Value document = json::Value::object();
  document["kind"] = state.kind;
  if (state.until) document["until"] = json::encodeDate(*state.until, kDates);
  if (state.manualKind) document["manualKind"] = encodeManualSessionKind(*state.manualKind, kDates);
  if (state.deadline) document["deadline"] = json::encodeDate(*state.deadline, kDates);

  json::WriteOptions options;
  options.sortedKeys = true;
  auto text = json::write(document, options);
  if (!text) return std::unexpected(text.error());
  return platform::Bytes(text->begin(), text->end());
}

std::expected<PersistentState, json::DecodingError> decodePersistentState(
    const platform::Bytes& data) {
  auto document = json::parse(data);
  if (!document) return std::unexpected(document.error());
  auto object = json::ValueReader(*document, {}, kDates).asObject();
  if (!object) return std::unexpected(object.error());

  PersistentState state;
  auto kind = object->requireString("kind");
  if (!kind) return std::unexpected(kind.error());
  state.kind = std::move(*kind);

  auto until = object->optionalDate("until");
  if (!until) return std::unexpected(until.error());
  state.until = *until;

  if (auto manual = object->optional("manualKind")) {
    auto decoded = decodeManualSessionKind(*manual);
    if (!decoded) return std::unexpected(decoded.error());
    state.manualKind = std::move(*decoded);
  }

  auto deadline = object->optionalDate("deadline");
  if (!deadline) return std::unexpected(deadline.error());
  state.deadline = *deadline;
  return state;
}

}  // namespace vigilix
