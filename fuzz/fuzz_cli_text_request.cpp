// Any command-line text request either fails to parse or parses to a request
// whose fields, put into any reply, give one line, and whose request line
// parses back to itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "agents/cli_protocol.h"

using vigilix::VGXCLIProtocol;
using vigilix::VGXCLIReply;

namespace {

void requireOneLine(const std::string& line) {
  if (line.find_first_of("\r\n") != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)VGXCLIProtocol::parseReply(text);
  const auto request = VGXCLIProtocol::parseRequest(text);
  if (!request) return 0;
  requireOneLine(VGXCLIProtocol::encodeReply(request->nonce, VGXCLIReply::ok()));
  requireOneLine(VGXCLIProtocol::encodeReply(request->nonce, VGXCLIReply::policyDenied()));
  requireOneLine(
      VGXCLIProtocol::encodeReply(request->nonce, VGXCLIReply::status(true, request->label)));
  // Arbitrary bytes as the reason, too: the whole input.
  requireOneLine(
      VGXCLIProtocol::encodeReply(request->nonce, VGXCLIReply::status(false, std::string(text))));
  const auto again = VGXCLIProtocol::parseRequest(VGXCLIProtocol::encodeRequest(*request));
  if (!again || !(*again == *request)) std::abort();
  return 0;
}
