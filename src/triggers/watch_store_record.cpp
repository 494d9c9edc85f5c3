#include "triggers/watch_store_record.h"

#include <string>
#include <string_view>

#include "platform/json/json_writer.h"
#include "platform/json/payload_case.h"
#include "triggers/watch_json.h"

namespace vigilix {

namespace json = platform::json;

namespace {

using json::DecodingError;
using json::Value;
using json::ValueReader;

std::string_view textOf(const platform::Bytes& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A stored list: a JSON array of values of one kind, as UTF-8 bytes.
template <typename Kind>
auto decodeList(const platform::Bytes& bytes, Kind kind) {
  return json::decode(textOf(bytes), [&kind](const ValueReader& value) {
    return json::ListOf<Kind>{kind}.decode(value);
  });
}

// The payload of a suspended state.
struct SuspendedPayload {
  std::string reason;
};

const json::RecordFields<SuspendedPayload>& suspendedFields() {
  static const json::RecordFields<SuspendedPayload> fields{
      json::field("reason", &SuspendedPayload::reason, json::Text{}),
  };
  return fields;
}

// The one-key object of the entry's state.
struct StateCoding {
  Value encode(const VGXSavedWatchState& state, json::DateStrategy) const {
    return encodeJSONValue(state);
  }
  std::expected<VGXSavedWatchState, DecodingError> decode(const ValueReader& value) const {
    return decodeSavedWatchState(value);
  }
};

const json::RecordFields<VGXSavedWatch>& savedWatchFields() {
  using W = VGXSavedWatch;
  static const json::RecordFields<W> fields{
      json::field("id", &W::id, json::Text{}),
      json::field("label", &W::label, json::Text{}),
      json::field("bookmark", &W::bookmark, json::Base64Data{}),
      json::field("state", &W::state, StateCoding{}),
      json::field("watch", &W::watch, watchRecord()),
  };
  return fields;
}

}  // namespace

Value encodeJSONValue(const VGXSavedWatchState& state) {
  switch (state.stateCase()) {
    case VGXSavedWatchState::Case::active:
      return json::payloadCase("active");
    case VGXSavedWatchState::Case::suspended:
      return json::payloadCase(
          "suspended", json::encodeRecord(SuspendedPayload{state.reason()}, suspendedFields()));
    case VGXSavedWatchState::Case::stopped:
      return json::payloadCase("stopped");
  }
  return json::payloadCase("stopped");
}

Value encodeJSONValue(const VGXSavedWatch& entry) {
  return json::encodeRecord(entry, savedWatchFields());
}

std::expected<VGXSavedWatchState, DecodingError> decodeSavedWatchState(const ValueReader& value) {
  auto which = json::readPayloadCase(value, {"active", "suspended", "stopped"});
  if (!which) return std::unexpected(which.error());
  if (which->name == "suspended") {
    auto payload = json::decodeRecord(which->payload, suspendedFields());
    if (!payload) return std::unexpected(payload.error());
    return VGXSavedWatchState::suspended(std::move(payload->reason));
  }
  // The cases without payload still hold an object.
  if (auto payload = which->payload.asObject(); !payload) {
    return std::unexpected(payload.error());
  }
  if (which->name == "active") return VGXSavedWatchState::active();
  return VGXSavedWatchState::stopped();
}

std::expected<platform::Bytes, json::EncodingError> encodeSavedWatches(
    const std::vector<VGXSavedWatch>& entries) {
  const json::ListOf<json::RecordOf<VGXSavedWatch>> list{{savedWatchFields}};
  auto text = json::write(list.encode(entries, json::DateStrategy::secondsSinceReferenceDate));
  if (!text) return std::unexpected(text.error());
  return platform::Bytes(text->begin(), text->end());
}

std::expected<std::vector<VGXSavedWatch>, DecodingError> decodeSavedWatches(
    const platform::Bytes& bytes) {
  return decodeList(bytes, json::RecordOf<VGXSavedWatch>{savedWatchFields});
}

std::expected<std::vector<Watch>, DecodingError> decodeWatchList(const platform::Bytes& bytes) {
  return decodeList(bytes, watchRecord());
}

}  // namespace vigilix
