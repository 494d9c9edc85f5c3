#include "triggers/watch_store_record.h"

#include <string_view>

#include "platform/json/data_coding.h"
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

template <typename Read>
auto decodeArray(const platform::Bytes& bytes, Read read) {
  return json::decode(textOf(bytes), [&](const ValueReader& value) {
    auto elements = value.asArray();
    using Result = decltype(json::readEach(*elements, read));
    if (!elements) return Result(std::unexpected(elements.error()));
    return json::readEach(*elements, read);
  });
}

}  // namespace

Value encodeJSONValue(const VGXSavedWatchState& state) {
  switch (state.stateCase()) {
    case VGXSavedWatchState::Case::active:
      return json::payloadCase("active");
    case VGXSavedWatchState::Case::suspended: {
      Value payload = Value::object();
      payload["reason"] = state.reason();
      return json::payloadCase("suspended", std::move(payload));
    }
    case VGXSavedWatchState::Case::stopped:
      return json::payloadCase("stopped");
  }
  return json::payloadCase("stopped");
}

Value encodeJSONValue(const VGXSavedWatch& entry) {
  Value object = Value::object();
  object["id"] = entry.id;
  object["label"] = entry.label;
  object["bookmark"] = json::encodeData(entry.bookmark);
  object["state"] = encodeJSONValue(entry.state);
  if (entry.watch) object["watch"] = encodeJSONValue(*entry.watch);
  return object;
}

std::expected<VGXSavedWatchState, DecodingError> decodeSavedWatchState(const ValueReader& value) {
  auto which = json::readPayloadCase(value, {"active", "suspended", "stopped"});
  if (!which) return std::unexpected(which.error());
  auto payload = which->payload.asObject();
  if (!payload) return std::unexpected(payload.error());
  if (which->name == "active") return VGXSavedWatchState::active();
  if (which->name == "stopped") return VGXSavedWatchState::stopped();
  auto reason = payload->requireString("reason");
  if (!reason) return std::unexpected(reason.error());
  return VGXSavedWatchState::suspended(std::move(*reason));
}

std::expected<VGXSavedWatch, DecodingError> decodeSavedWatch(const ValueReader& value) {
  auto object = value.asObject();
  if (!object) return std::unexpected(object.error());
  VGXSavedWatch entry;
  auto id = object->requireString("id");
  if (!id) return std::unexpected(id.error());
  entry.id = std::move(*id);
  auto label = object->requireString("label");
  if (!label) return std::unexpected(label.error());
  entry.label = std::move(*label);
  auto bookmark = object->requireData("bookmark");
  if (!bookmark) return std::unexpected(bookmark.error());
  entry.bookmark = std::move(*bookmark);
  auto stateValue = object->require("state");
  if (!stateValue) return std::unexpected(stateValue.error());
  auto state = decodeSavedWatchState(*stateValue);
  if (!state) return std::unexpected(state.error());
  entry.state = std::move(*state);
  if (const auto watch = object->optional("watch"); watch && !watch->isNull()) {
    auto decoded = decodeWatch(*watch);
    if (!decoded) return std::unexpected(decoded.error());
    entry.watch = std::move(*decoded);
  }
  return entry;
}

std::expected<platform::Bytes, json::EncodingError> encodeSavedWatches(
    const std::vector<VGXSavedWatch>& entries) {
  Value array = Value::array();
  for (const auto& entry : entries) array.push_back(encodeJSONValue(entry));
  auto text = json::write(array);
  if (!text) return std::unexpected(text.error());
  return platform::Bytes(text->begin(), text->end());
}

std::expected<std::vector<VGXSavedWatch>, DecodingError> decodeSavedWatches(
    const platform::Bytes& bytes) {
  return decodeArray(bytes, decodeSavedWatch);
}

std::expected<std::vector<Watch>, DecodingError> decodeWatchList(const platform::Bytes& bytes) {
  return decodeArray(bytes, decodeWatch);
}

}  // namespace vigilix
