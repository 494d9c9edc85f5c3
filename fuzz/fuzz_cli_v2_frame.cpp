// Any JSON frame of the command line either fails to decode, as a request and
// as a reply, or decodes to a record that encodes within the frame limit and
// decodes back to itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "agents/cli_v2_codec.h"

using vigilix::VGXCLIv2Codec;

namespace {

template <typename Record, typename Encode, typename Decode>
void roundTrip(const Record& decoded, Encode encode, Decode decode) {
  const auto encoded = encode(decoded);
  // Sorted compact keys may take more bytes than the input's own spelling
  // ("\u0041" is shorter written as "A", never longer), so only the limit fails.
  if (!encoded) {
    if (encoded.error() != VGXCLIv2Codec::CodecError::tooLarge) std::abort();
    return;
  }
  if (encoded->size() > VGXCLIv2Codec::maxFrameBytes) std::abort();
  const auto again = decode(*encoded);
  if (!again || !(*again == decoded)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto request = VGXCLIv2Codec::decodeRequest(text)) {
    roundTrip(*request, VGXCLIv2Codec::encodeRequest,
              [](std::string_view t) { return VGXCLIv2Codec::decodeRequest(t); });
  }
  if (const auto reply = VGXCLIv2Codec::decodeReply(text)) {
    roundTrip(*reply, VGXCLIv2Codec::encodeReply,
              [](std::string_view t) { return VGXCLIv2Codec::decodeReply(t); });
  }
  return 0;
}
