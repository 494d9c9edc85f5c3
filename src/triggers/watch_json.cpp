#include "triggers/watch_json.h"

#include <fmt/format.h>

#include <limits>

#include "platform/json/date_strategy.h"
#include "platform/json/payload_case.h"

namespace vigilix {

namespace json = platform::json;

namespace {

using json::DecodingError;
using json::KeyedReader;
using json::Value;
using json::ValueReader;

std::expected<std::int32_t, DecodingError> requireInt32(const KeyedReader& object,
                                                        std::string_view key) {
  auto value = object.require(key);
  if (!value) return std::unexpected(value.error());
  auto number = value->asInt64();
  if (!number) return std::unexpected(number.error());
  if (*number < std::numeric_limits<std::int32_t>::min() ||
      *number > std::numeric_limits<std::int32_t>::max()) {
    return std::unexpected(value->dataCorrupted(
        fmt::format("Parsed JSON number <{}> does not fit in Int32.", *number)));
  }
  return static_cast<std::int32_t>(*number);
}

std::expected<WatchKind, DecodingError> decodeFile(const KeyedReader& payload) {
  auto path = payload.requireString("path");
  if (!path) return std::unexpected(path.error());
  auto displayName = payload.requireString("displayName");
  if (!displayName) return std::unexpected(displayName.error());
  return WatchKind::file(std::move(*path), std::move(*displayName));
}

std::expected<WatchKind, DecodingError> decodeApp(const KeyedReader& payload) {
  auto pid = requireInt32(payload, "processIdentifier");
  if (!pid) return std::unexpected(pid.error());
  auto bundleIdentifier = payload.requireString("bundleIdentifier");
  if (!bundleIdentifier) return std::unexpected(bundleIdentifier.error());
  auto displayName = payload.requireString("displayName");
  if (!displayName) return std::unexpected(displayName.error());
  return WatchKind::app(*pid, std::move(*bundleIdentifier), std::move(*displayName));
}

std::expected<WatchKind, DecodingError> decodeProcess(const KeyedReader& payload) {
  auto pid = requireInt32(payload, "processIdentifier");
  if (!pid) return std::unexpected(pid.error());
  auto label = payload.requireString("label");
  if (!label) return std::unexpected(label.error());
  return WatchKind::process(*pid, std::move(*label));
}

}  // namespace

Value encodeJSONValue(const WatchKind& kind) {
  Value payload = Value::object();
  if (const auto* file = kind.asFile()) {
    payload["path"] = file->path;
    payload["displayName"] = file->displayName;
    return json::payloadCase("file", std::move(payload));
  }
  if (const auto* app = kind.asApp()) {
    payload["processIdentifier"] = app->processIdentifier;
    payload["bundleIdentifier"] = app->bundleIdentifier;
    payload["displayName"] = app->displayName;
    return json::payloadCase("app", std::move(payload));
  }
  const auto* process = kind.asProcess();
  payload["processIdentifier"] = process->processIdentifier;
  payload["label"] = process->label;
  return json::payloadCase("process", std::move(payload));
}

Value encodeJSONValue(const Watch& watch) {
  Value object = Value::object();
  object["id"] = watch.id.uuidString();
  object["kind"] = encodeJSONValue(watch.kind);
  object["startedAt"] = json::encodeDate(watch.startedAt);
  return object;
}

std::expected<WatchKind, DecodingError> decodeWatchKind(const ValueReader& value) {
  auto which = json::readPayloadCase(value, {"file", "app", "process"});
  if (!which) return std::unexpected(which.error());
  auto payload = which->payload.asObject();
  if (!payload) return std::unexpected(payload.error());
  if (which->name == "file") return decodeFile(*payload);
  if (which->name == "app") return decodeApp(*payload);
  return decodeProcess(*payload);
}

std::expected<Watch, DecodingError> decodeWatch(const ValueReader& value) {
  auto object = value.asObject();
  if (!object) return std::unexpected(object.error());
  auto idValue = object->require("id");
  if (!idValue) return std::unexpected(idValue.error());
  auto idText = idValue->asString();
  if (!idText) return std::unexpected(idText.error());
  const auto id = platform::UUID::fromString(*idText);
  if (!id) {
    return std::unexpected(
        idValue->dataCorrupted("Attempted to decode UUID from invalid UUID string."));
  }
  auto kindValue = object->require("kind");
  if (!kindValue) return std::unexpected(kindValue.error());
  auto kind = decodeWatchKind(*kindValue);
  if (!kind) return std::unexpected(kind.error());
  auto startedAt = object->requireDate("startedAt");
  if (!startedAt) return std::unexpected(startedAt.error());
  return Watch{*id, std::move(*kind), *startedAt};
}

}  // namespace vigilix
