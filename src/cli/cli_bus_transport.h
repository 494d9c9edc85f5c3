#pragma once

#include <expected>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_transport.h"
#include "platform/base/product.h"
#include "platform/buswire/bus_error.h"
#include "platform/buswire/posted_exchange.h"

namespace vigilix {

// The application's own name on the session bus, which it holds while it runs.
inline constexpr const char* kVigilixApplicationBusName = platform::kProductIdentifier;
// How long to listen when that name has no owner: an application that runs without the name
// still answers at once, and a hook never waits long when none runs.
inline constexpr double kAbsentApplicationWait = 0.25;

// Requests and replies as system-wide notifications on the session bus. The reply match is in
// place before anything is posted, so a quick reply is never missed; opening does not wait for
// the bus. Blocking; one thread.
class VGXCLIBusTransport final : public VGXCLITransport {
 public:
  static std::expected<std::unique_ptr<VGXCLIBusTransport>, platform::BusError> open();
  ~VGXCLIBusTransport() override;
  VGXCLIBusTransport(const VGXCLIBusTransport&) = delete;
  VGXCLIBusTransport& operator=(const VGXCLIBusTransport&) = delete;

  // Waits `timeout` only while the application's name has an owner (kAbsentApplicationWait
  // otherwise). None also when the request cannot be posted or the bus goes away.
  std::optional<std::string> exchange(const std::string& request, const Accept& accept,
                                      double timeout) override;
  // Why exchanges fail, once the bus has refused the tool or gone away.
  std::optional<platform::BusError> failure() const { return exchange_->failure(); }

 private:
  explicit VGXCLIBusTransport(std::unique_ptr<platform::PostedExchange> exchange);

  std::unique_ptr<platform::PostedExchange> exchange_;
};

}  // namespace vigilix
