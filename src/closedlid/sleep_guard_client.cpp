#include "closedlid/sleep_guard_client.h"

#include <algorithm>
#include <utility>

#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::weakly;

VGXSleepGuardClient::VGXSleepGuardClient(TransportFactory makeTransport,
                                         VGXClientScheduling& scheduler)
    : makeTransport_(std::move(makeTransport)),
      scheduler_(scheduler),
      self_(std::make_shared<VGXSleepGuardClient*>(this)) {
  connect();
}

VGXSleepGuardClient::~VGXSleepGuardClient() {
  self_.reset();
  if (transport_) {
    transport_->setInterruptionHandler({});
    transport_->setInvalidationHandler({});
    transport_->invalidate();
  }
}

void VGXSleepGuardClient::changed() {
  if (onChange) onChange(snapshot_);
}

VGXGuardTransport::Reply VGXSleepGuardClient::onMain(
    std::function<void(const VGXGuardWire::Dictionary&)> handle) {
  std::weak_ptr<VGXSleepGuardClient*> weak = self_;
  const auto epoch = epoch_;
  return [weak, epoch, handle = std::move(handle)](const VGXGuardWire::Dictionary& reply) {
    platform::runOnMain(weakly(weak, [epoch, handle, reply](VGXSleepGuardClient* client) {
      if (client->epoch_ != epoch) return;
      handle(reply.is_object() ? reply : VGXGuardWire::Dictionary::object());
    }));
  };
}

VGXGuardTransport::Handler VGXSleepGuardClient::lossHandler() {
  std::weak_ptr<VGXSleepGuardClient*> weak = self_;
  const auto epoch = epoch_;
  const VGXGuardTransport* transport = transport_.get();
  return [weak, epoch, transport] {
    platform::runOnMain(weakly(weak, [epoch, transport](VGXSleepGuardClient* client) {
      if (client->transport_.get() != transport || client->epoch_ != epoch) return;
      client->connectionLost();
    }));
  };
}

void VGXSleepGuardClient::connect() {
  reconnectTask_.reset();
  if (transport_) {
    transport_->setInterruptionHandler({});
    transport_->setInvalidationHandler({});
    transport_->invalidate();
  }
  transport_ = makeTransport_();
  ++epoch_;
  transport_->setInterruptionHandler(lossHandler());
  transport_->setInvalidationHandler(lossHandler());
  // The back-off is not reset here: an absent guard would otherwise be tried
  // every second for ever. The first readable reply resets it.
  if (!transport_->resume()) {
    connectionLost();
    return;
  }
  snapshot_.ready = true;
  changed();
  startStatusPolling();
  if (armed_) hold(false);
}

void VGXSleepGuardClient::connectionLost() {
  ++epoch_;
  token_.reset();
  renewTask_.reset();
  retryTask_.reset();
  statusTask_.reset();
  const Snapshot before = snapshot_;
  snapshot_.ready = false;
  snapshot_.holding = false;
  // A guard still absent at a retry (every 30 s while none is installed) changes nothing a
  // listener could see, and each notice would recompute availability.
  if (snapshot_ != before) changed();
  scheduleReconnect();
}

void VGXSleepGuardClient::scheduleReconnect() {
  const int delay = backoffSeconds_;
  backoffSeconds_ = backoffSeconds_ < 16 ? backoffSeconds_ * 2 : kLongestBackoffSeconds;
  reconnectTask_ = scheduler_.schedule(
      delay, false, weakly(self_, [](VGXSleepGuardClient* client) { client->connect(); }));
}

void VGXSleepGuardClient::setArmed(bool armed, bool userInitiated, int batteryFloorPercent,
                                   int batteryCapHours) {
  platform::runOnMain(weakly(self_, [=](VGXSleepGuardClient* self) {
    VGXSleepGuardClient& client = *self;
    client.settings_ = {batteryFloorPercent, batteryCapHours};
    if (armed) {
      if (client.armed_) return;  // the new settings go with the next hold
      client.armed_ = true;
      client.hold(userInitiated);
    } else {
      client.armed_ = false;
      client.disarm();
    }
  }));
}

void VGXSleepGuardClient::refreshStatus() {
  platform::runOnMain(weakly(self_, [](VGXSleepGuardClient* client) { client->sendStatus(); }));
}

void VGXSleepGuardClient::hold(bool userInitiated) {
  if (!armed_ || !transport_ || !snapshot_.ready) return;
  retryTask_.reset();
  transport_->hold(userInitiated, settings_.batteryFloorPercent, settings_.batteryCapHours,
                   onMain([this](const VGXGuardWire::Dictionary& reply) {
                     handleLeaseReply(Request::hold, reply);
                   }));
}

void VGXSleepGuardClient::renew() {
  if (!armed_ || !snapshot_.holding || !token_ || !transport_ || !snapshot_.ready) return;
  transport_->renew(*token_, onMain([this](const VGXGuardWire::Dictionary& reply) {
    handleLeaseReply(Request::renew, reply);
  }));
}

void VGXSleepGuardClient::handleLeaseReply(Request request, const VGXGuardWire::Dictionary& reply) {
  const auto decoded = VGXGuardWire::decodeGrant(reply);
  if (decoded) backoffSeconds_ = 1;
  if (!armed_) {
    // A hold granted after disarming would keep sleep off until its lease
    // lapses: give it back at once. A renewed token was already released.
    if (request == Request::hold && decoded && decoded->has_value() && transport_) {
      transport_->release((*decoded)->token, [](const VGXGuardWire::Dictionary&) {});
    }
    return;
  }
  if (decoded && decoded->has_value()) {
    token_ = (*decoded)->token;
    snapshot_.holding = true;
    snapshot_.lastError.reset();
    if (request == Request::hold) didReholdAfterStale_ = false;
    changed();
    if (request == Request::hold) {
      // Renewed well within the lease the guard granted.
      const std::int64_t lease = (*decoded)->leaseSeconds;
      const std::int64_t every =
          lease > 0 ? std::clamp<std::int64_t>(lease / 3, 1, kRenewSeconds) : kRenewSeconds;
      renewTask_ =
          scheduler_.schedule(static_cast<int>(every), true,
                              weakly(self_, [](VGXSleepGuardClient* client) { client->renew(); }));
    }
    return;
  }
  const VGXGuardError error = decoded ? decoded->error() : VGXGuardError::io("reply");
  token_.reset();
  snapshot_.holding = false;
  snapshot_.lastError = error;
  changed();
  if (request == Request::renew && error == VGXGuardError::stale() && !didReholdAfterStale_) {
    didReholdAfterStale_ = true;
    hold(false);
  } else {
    scheduleRetry();
  }
}

void VGXSleepGuardClient::scheduleRetry() {
  if (!armed_) return;
  retryTask_ = scheduler_.schedule(
      kRetrySeconds, true, weakly(self_, [](VGXSleepGuardClient* client) { client->hold(false); }));
}

void VGXSleepGuardClient::disarm() {
  retryTask_.reset();
  renewTask_.reset();
  if (token_ && transport_) {
    transport_->release(*token_, [](const VGXGuardWire::Dictionary&) {});
  }
  token_.reset();
  snapshot_.holding = false;
  snapshot_.lastError.reset();
  changed();
}

void VGXSleepGuardClient::startStatusPolling() {
  statusTask_.reset();
  sendStatus();
  statusTask_ =
      scheduler_.schedule(kStatusSeconds, true,
                          weakly(self_, [](VGXSleepGuardClient* client) { client->sendStatus(); }));
}

void VGXSleepGuardClient::sendStatus() {
  if (!snapshot_.ready || !transport_) return;
  transport_->status(
      onMain([this](const VGXGuardWire::Dictionary& reply) { handleStatusReply(reply); }));
}

void VGXSleepGuardClient::handleStatusReply(const VGXGuardWire::Dictionary& reply) {
  const auto decoded = VGXGuardWire::decodeStatus(reply);
  if (!decoded) return;
  backoffSeconds_ = 1;
  snapshot_.status = decoded->status;
  snapshot_.executableSHA256 = decoded->executableSHA256;
  changed();
}

}  // namespace vigilix
