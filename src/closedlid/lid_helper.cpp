#include "closedlid/lid_helper.h"

#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "sleepguard/common/guard_names.h"

namespace vigilix {
namespace {

VGXHelperRegistration fromReading(const std::expected<VGXUnitReading, VGXUnitError>& reading,
                                  bool approvalRefused) {
  if (!reading) {
    return reading.error().noSuchUnit ? VGXHelperRegistration::notFound
                                      : VGXHelperRegistration::unknown;
  }
  const auto& state = reading->unitFileState;
  if (state.empty() || state == "not-found") return VGXHelperRegistration::notFound;
  if (state == "enabled" && reading->activeState == "active") {
    return VGXHelperRegistration::enabled;
  }
  if (approvalRefused) return VGXHelperRegistration::requiresApproval;
  if (state == "enabled" || state == "disabled" || state == "static" || state == "indirect") {
    return VGXHelperRegistration::notRegistered;
  }
  return VGXHelperRegistration::unknown;
}

// An install or uninstall outcome: the time-out's failure, the installer's
// refusal as its text, or "reply" for anything unreadable.
std::expected<void, VGXHelperFailure> installerResult(
    const std::expected<VGXGuardWire::Dictionary, VGXHelperFailure>& outcome) {
  if (!outcome) return std::unexpected(outcome.error());
  const auto result = VGXGuardWire::decodeInstallerResult(*outcome);
  if (!result) return std::unexpected(VGXHelperFailure{VGXLidHelper::kBadReply});
  if (!*result) return std::unexpected(VGXHelperFailure{VGXGuardWire::wireText(result->error())});
  return {};
}

// One request's life: from its transport's making until the reply or the time-out.
struct PendingRequest {
  std::unique_ptr<VGXInstallerTransport> transport;
  std::unique_ptr<VGXCancellable> timeout;
  bool done = false;
};

}  // namespace

VGXLidHelper::VGXLidHelper(TransportFactory makeTransport, VGXClientScheduling& scheduler,
                           VGXUnitRegistry& units)
    : makeTransport_(std::move(makeTransport)),
      scheduler_(scheduler),
      units_(units),
      registering_(platform::DispatchQueue::makeSerial("run.tarvo.vigilix.helper-registration")) {}

VGXHelperRegistration VGXLidHelper::registration() {
  const double now = platform::Clock::current().uptime();
  std::lock_guard lock(registrationLock_);
  if (registrationCache_ && now - registrationCache_->second < kRegistrationCacheSeconds &&
      now >= registrationCache_->second) {
    return registrationCache_->first;
  }
  const auto value = fromReading(units_.read(VGXGuardNames::installerSocketUnit), approvalRefused_);
  registrationCache_ = {value, now};
  return value;
}

std::expected<void, VGXUnitError> VGXLidHelper::registerDaemon() {
  auto result = units_.enableAndStart(VGXGuardNames::installerSocketUnit);
  std::lock_guard lock(registrationLock_);
  approvalRefused_ = !result && result.error().notAuthorized;
  registrationCache_.reset();
  return result;
}

void VGXLidHelper::registerDaemonInBackground(
    std::function<void(std::expected<void, VGXUnitError>)> completion) {
  registering_->async([this, completion = std::move(completion)] {
    auto result = registerDaemon();
    platform::DispatchQueue::main().async([completion, result] {
      if (completion) completion(result);
    });
  });
}

void VGXLidHelper::requestApproval() { registerDaemonInBackground({}); }

void VGXLidHelper::emptyCache() {
  std::lock_guard lock(registrationLock_);
  registrationCache_.reset();
}

void VGXLidHelper::request(void (VGXInstallerTransport::*operation)(VGXInstallerTransport::Reply),
                           int timeoutSeconds, std::function<void(const Outcome&)> decode) {
  auto pending = std::make_shared<PendingRequest>();
  pending->transport = makeTransport_();
  auto finish = [pending, decode](const Outcome& outcome) {
    if (pending->done) return;
    pending->done = true;
    pending->timeout.reset();
    // The connection's reader thread may hold the last reference to this
    // request; the transport it runs in is let go on the main queue instead.
    std::shared_ptr<VGXInstallerTransport> transport = std::move(pending->transport);
    transport->invalidate();
    platform::DispatchQueue::main().async([transport] {});
    decode(outcome);
  };
  pending->timeout = scheduler_.schedule(
      timeoutSeconds, false, [finish] { finish(std::unexpected(VGXHelperFailure{kNoResponse})); });
  if (!pending->transport->resume()) {
    // No installer to talk to: as an ended connection, at once.
    platform::runOnMain([finish] { finish(VGXGuardWire::Dictionary::object()); });
    return;
  }
  ((*pending->transport).*operation)([finish](const VGXGuardWire::Dictionary& reply) {
    platform::runOnMain([finish, reply] { finish(reply); });
  });
}

void VGXLidHelper::install(VGXHelperCompletion completion) {
  request(&VGXInstallerTransport::install, kInstallSeconds,
          [completion = std::move(completion)](const Outcome& outcome) {
            completion(installerResult(outcome));
          });
}

void VGXLidHelper::uninstall(VGXHelperCompletion completion) {
  request(&VGXInstallerTransport::uninstall, kUninstallSeconds,
          [this, completion = std::move(completion)](const Outcome& outcome) {
            auto result = installerResult(outcome);
            if (!result) return completion(result);
            // With the guard gone the installer need not stay registered; a
            // failure to unregister it leaves only an idle socket. Off the
            // main thread, as polkit may ask first.
            registering_->async([this, completion] {
              (void)units_.disableAndStop(VGXGuardNames::installerSocketUnit);
              emptyCache();
              platform::DispatchQueue::main().async([completion] { completion({}); });
            });
          });
}

void VGXLidHelper::status(
    std::function<void(std::expected<VGXInstallerStatus, VGXHelperFailure>)> completion) {
  request(&VGXInstallerTransport::status, kStatusSeconds,
          [completion = std::move(completion)](const Outcome& outcome) {
            if (!outcome) return completion(std::unexpected(outcome.error()));
            const auto status = VGXGuardWire::decodeInstallerStatus(*outcome);
            if (!status) return completion(std::unexpected(VGXHelperFailure{kBadReply}));
            completion(*status);
          });
}

}  // namespace vigilix
