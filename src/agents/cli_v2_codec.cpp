#include "agents/cli_v2_codec.h"

#include "platform/json/json_writer.h"
#include "platform/json/record_fields.h"

namespace vigilix {

namespace json = platform::json;

namespace {

using json::DecodingError;
using json::Value;
using json::ValueReader;

using Int64 = json::Integer<std::int64_t>;

const json::RecordFields<VGXCLIv2Request>& requestFields() {
  using R = VGXCLIv2Request;
  static const json::RecordFields<R> fields{
      json::field("v", &R::v, Int64{}),
      json::field("nonce", &R::nonce, json::Text{}),
      json::field("verb", &R::verb, json::RawText<VGXCLIv2Verb>{verbFromRawValue}),
      json::field("epoch", &R::epoch, json::Text{}),
      json::field("gen", &R::gen, Int64{}),
      json::field("id", &R::id, json::Text{}),
      json::field("ttl", &R::ttl, Int64{}),
      json::field("pid", &R::pid, json::Integer<std::int32_t>{}),
      json::field("pidStart", &R::pidStart, Int64{}),
      json::field("label", &R::label, json::Text{}),
      json::field("tool", &R::tool, json::Text{}),
      json::field("corr", &R::corr, json::Text{}),
      json::field("seq", &R::seq, Int64{}),
      json::field("toolVersion", &R::toolVersion, json::Text{}),
  };
  return fields;
}

const json::RecordFields<VGXCLIv2HoldInfo>& holdInfoFields() {
  using H = VGXCLIv2HoldInfo;
  static const json::RecordFields<H> fields{
      json::field("id", &H::id, json::Text{}),
      json::field("tool", &H::tool, json::Text{}),
      json::field("label", &H::label, json::Text{}),
      json::field("expiresIn", &H::expiresIn, Int64{}),
  };
  return fields;
}

const json::RecordFields<VGXCLIv2Reply>& replyFields() {
  using R = VGXCLIv2Reply;
  static const json::RecordFields<R> fields{
      json::field("v", &R::v, Int64{}),
      json::field("nonce", &R::nonce, json::Text{}),
      json::field("status", &R::status, json::RawText<VGXCLIv2Status>{statusFromRawValue}),
      json::field("epoch", &R::epoch, json::Text{}),
      json::field("gen", &R::gen, Int64{}),
      json::field("message", &R::message, json::Text{}),
      json::field("holds", &R::holds,
                  json::ListOf<json::RecordOf<VGXCLIv2HoldInfo>>{{holdInfoFields}}),
      json::field("doctor", &R::doctor, json::Text{}),
  };
  return fields;
}

template <typename Record>
std::optional<Record> decodeFrame(std::string_view text, const json::RecordFields<Record>& fields) {
  if (text.size() > VGXCLIv2Codec::maxFrameBytes) return std::nullopt;
  auto record = json::decode(
      text, [&](const ValueReader& value) { return json::decodeRecord(value, fields); });
  if (!record || !record->isValid()) return std::nullopt;
  return std::move(*record);
}

template <typename Record>
std::expected<std::string, VGXCLIv2Codec::CodecError> encodeFrame(
    const Record& record, const json::RecordFields<Record>& fields) {
  using Error = VGXCLIv2Codec::CodecError;
  if (!record.isValid()) return std::unexpected(Error::invalidFields);
  auto text = json::write(json::encodeRecord(record, fields),
                          {.sortedKeys = true, .withoutEscapingSlashes = true});
  // Only text that is not UTF-8 cannot be written: a field no frame can carry.
  if (!text) return std::unexpected(Error::invalidFields);
  if (text->size() > VGXCLIv2Codec::maxFrameBytes) return std::unexpected(Error::tooLarge);
  return std::move(*text);
}

}  // namespace

bool VGXCLIv2Codec::looksLikeV2(std::string_view text) { return text.starts_with('{'); }

std::optional<VGXCLIv2Request> VGXCLIv2Codec::decodeRequest(std::string_view text) {
  return decodeFrame(text, requestFields());
}

std::optional<VGXCLIv2Reply> VGXCLIv2Codec::decodeReply(std::string_view text) {
  return decodeFrame(text, replyFields());
}

std::expected<std::string, VGXCLIv2Codec::CodecError> VGXCLIv2Codec::encodeReply(
    const VGXCLIv2Reply& reply) {
  return encodeFrame(reply, replyFields());
}

std::expected<std::string, VGXCLIv2Codec::CodecError> VGXCLIv2Codec::encodeRequest(
    const VGXCLIv2Request& request) {
  return encodeFrame(request, requestFields());
}

}  // namespace vigilix
