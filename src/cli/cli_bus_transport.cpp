#include "cli/cli_bus_transport.h"

#include <algorithm>

#include "agents/cli_protocol.h"

namespace vigilix {

std::expected<std::unique_ptr<VGXCLIBusTransport>, platform::BusError> VGXCLIBusTransport::open() {
  auto exchange = platform::PostedExchange::open(std::string(VGXCLIProtocol::replyNotification));
  if (!exchange) return std::unexpected(exchange.error());
  return std::unique_ptr<VGXCLIBusTransport>(new VGXCLIBusTransport(std::move(*exchange)));
}

VGXCLIBusTransport::VGXCLIBusTransport(std::unique_ptr<platform::PostedExchange> exchange)
    : exchange_(std::move(exchange)) {}

VGXCLIBusTransport::~VGXCLIBusTransport() = default;

std::optional<std::string> VGXCLIBusTransport::exchange(const std::string& request,
                                                        const Accept& accept, double timeout) {
  return exchange_->exchange(
      std::string(VGXCLIProtocol::requestNotification), request, accept,
      {kVigilixApplicationBusName, timeout, std::min(timeout, kAbsentApplicationWait)});
}

}  // namespace vigilix
