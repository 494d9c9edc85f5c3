#include "triggers/watch_json.h"

#include "platform/json/payload_case.h"

namespace vigilix {

namespace json = platform::json;

namespace {

using json::DecodingError;
using json::Value;
using json::ValueReader;

const json::RecordFields<WatchKind::File>& fileFields() {
  using F = WatchKind::File;
  static const json::RecordFields<F> fields{
      json::field("path", &F::path, json::Text{}),
      json::field("displayName", &F::displayName, json::Text{}),
  };
  return fields;
}

const json::RecordFields<WatchKind::App>& appFields() {
  using A = WatchKind::App;
  static const json::RecordFields<A> fields{
      json::field("processIdentifier", &A::processIdentifier, json::Integer<std::int32_t>{}),
      json::field("bundleIdentifier", &A::bundleIdentifier, json::Text{}),
      json::field("displayName", &A::displayName, json::Text{}),
  };
  return fields;
}

const json::RecordFields<WatchKind::Process>& processFields() {
  using P = WatchKind::Process;
  static const json::RecordFields<P> fields{
      json::field("processIdentifier", &P::processIdentifier, json::Integer<std::int32_t>{}),
      json::field("label", &P::label, json::Text{}),
  };
  return fields;
}

// The one-key object of the watch's case.
struct WatchKindCoding {
  Value encode(const WatchKind& kind, json::DateStrategy) const { return encodeJSONValue(kind); }
  std::expected<WatchKind, DecodingError> decode(const ValueReader& value) const {
    return decodeWatchKind(value);
  }
};

const json::RecordFields<Watch>& watchFields() {
  static const json::RecordFields<Watch> fields{
      json::field("id", &Watch::id, json::UuidText{}),
      json::field("kind", &Watch::kind, WatchKindCoding{}),
      json::field("startedAt", &Watch::startedAt, json::DateNumber{}),
  };
  return fields;
}

template <typename Payload>
std::expected<WatchKind, DecodingError> decodePayload(const ValueReader& payload,
                                                      const json::RecordFields<Payload>& fields) {
  auto decoded = json::decodeRecord(payload, fields);
  if (!decoded) return std::unexpected(std::move(decoded.error()));
  return WatchKind(std::move(*decoded));
}

}  // namespace

Value encodeJSONValue(const WatchKind& kind) {
  if (const auto* file = kind.asFile()) {
    return json::payloadCase("file", json::encodeRecord(*file, fileFields()));
  }
  if (const auto* app = kind.asApp()) {
    return json::payloadCase("app", json::encodeRecord(*app, appFields()));
  }
  return json::payloadCase("process", json::encodeRecord(*kind.asProcess(), processFields()));
}

Value encodeJSONValue(const Watch& watch) { return json::encodeRecord(watch, watchFields()); }

std::expected<WatchKind, DecodingError> decodeWatchKind(const ValueReader& value) {
  auto which = json::readPayloadCase(value, {"file", "app", "process"});
  if (!which) return std::unexpected(which.error());
  if (which->name == "file") return decodePayload(which->payload, fileFields());
  if (which->name == "app") return decodePayload(which->payload, appFields());
  return decodePayload(which->payload, processFields());
}

json::RecordOf<Watch> watchRecord() {
  // Every field is required, so nothing of this starting value survives a read.
  return {watchFields, Watch{platform::UUID(), WatchKind::process(0, {}), platform::Date()}};
}

std::expected<Watch, DecodingError> decodeWatch(const ValueReader& value) {
  return watchRecord().decode(value);
}

}  // namespace vigilix
