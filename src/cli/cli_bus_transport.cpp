#include "cli/cli_bus_transport.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>

#include "agents/cli_protocol.h"
#include "platform/notifications/posted_signal.h"

namespace vigilix {

namespace {

using Clock = std::chrono::steady_clock;

int collectReply(sd_bus_message* message, void* userdata, sd_bus_error*) {
  auto* received = static_cast<std::vector<std::string>*>(userdata);
  const auto posted = platform::readPosted(message);
  if (posted && posted->object && posted->name == VGXCLIProtocol::replyNotification) {
    received->push_back(*posted->object);
  }
  return 0;
}

}  // namespace

std::expected<std::unique_ptr<VGXCLIBusTransport>, platform::BusError> VGXCLIBusTransport::open() {
  auto bus = platform::openBus(platform::BusKind::Session);
  if (!bus) return std::unexpected(bus.error());
  std::unique_ptr<VGXCLIBusTransport> transport(new VGXCLIBusTransport(std::move(*bus)));
  // Synchronous: the bus has the rule once this returns.
  const std::string rule =
      platform::postedMatchRule(std::string(VGXCLIProtocol::replyNotification));
  const int added = sd_bus_add_match(transport->bus_.get(), &transport->match_, rule.c_str(),
                                     collectReply, &transport->received_);
  if (added < 0) {
    platform::BusError error = platform::busErrorFromResult(added);
    error.message = "cannot listen for replies";
    return std::unexpected(std::move(error));
  }
  return transport;
}

VGXCLIBusTransport::VGXCLIBusTransport(platform::BusHandle bus) : bus_(std::move(bus)) {}

VGXCLIBusTransport::~VGXCLIBusTransport() { sd_bus_slot_unref(match_); }

bool VGXCLIBusTransport::applicationHasName() const {
  return sd_bus_get_name_creds(bus_.get(), kVigilixApplicationBusName, 0, nullptr) >= 0;
}

std::optional<std::string> VGXCLIBusTransport::exchange(const std::string& request,
                                                        const Accept& accept, double timeout) {
  if (!applicationHasName()) timeout = std::min(timeout, kAbsentApplicationWait);
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(std::max(timeout, 0.0)));
  received_.clear();
  sd_bus_message* signal = nullptr;
  int result =
      sd_bus_message_new_signal(bus_.get(), &signal, platform::kDistributedCenterPath,
                                platform::kDistributedCenterInterface, platform::kPostedMember);
  if (result >= 0) {
    result =
        platform::appendPosted(signal, {std::string(VGXCLIProtocol::requestNotification), request});
  }
  if (result >= 0) result = sd_bus_send(bus_.get(), signal, nullptr);
  sd_bus_message_unref(signal);
  if (result < 0) return std::nullopt;

  std::size_t examined = 0;
  while (true) {
    result = sd_bus_process(bus_.get(), nullptr);
    if (result < 0) return std::nullopt;
    for (; examined < received_.size(); ++examined) {
      if (accept(received_[examined])) return received_[examined];
    }
    if (result > 0) continue;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return std::nullopt;
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    if (sd_bus_wait(bus_.get(), static_cast<std::uint64_t>(micros) + 1) < 0) return std::nullopt;
  }
}

}  // namespace vigilix
