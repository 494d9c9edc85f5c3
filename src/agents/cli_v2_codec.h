#pragma once

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "agents/cli_v2_records.h"

namespace vigilix {

// The JSON frames of the command line's version 2: one compact object per
// request or reply, keys sorted, "/" unescaped, at most 4096 UTF-8 bytes.
// Stateless; any thread.
class VGXCLIv2Codec {
 public:
  enum class CodecError {
    invalidFields,  // the record breaks a field rule, or holds text that is not UTF-8
    tooLarge,       // the encoded form is over the frame limit
  };

  static constexpr std::int64_t version = 2;
  static constexpr std::size_t maxFrameBytes = 4096;

  // True when the text begins with "{": the JSON form rather than the "|" form.
  static bool looksLikeV2(std::string_view text);

  // Nothing, without saying why, for a text over the frame limit (not parsed
  // at all), text that is not JSON, a missing or mistyped required key, a
  // verb or status outside its table, or a record that breaks a field rule.
  // Unknown keys are ignored; null reads as an absent optional.
  static std::optional<VGXCLIv2Request> decodeRequest(std::string_view text);
  static std::optional<VGXCLIv2Reply> decodeReply(std::string_view text);

  static std::expected<std::string, CodecError> encodeReply(const VGXCLIv2Reply& reply);
  static std::expected<std::string, CodecError> encodeRequest(const VGXCLIv2Request& request);
};

}  // namespace vigilix
