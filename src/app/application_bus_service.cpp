#include "app/application_bus_service.h"

#include <cstdint>
#include <utility>

#include "platform/base/logger.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

namespace {

// The bus daemon's RequestName reply codes.
constexpr std::uint32_t kPrimaryOwner = 1;
constexpr std::uint32_t kAlreadyOwner = 4;

using Handlers = ApplicationBusService::Handlers;
using platform::BusArgumentReader;
using platform::BusMethodCall;

// The call is answered as soon as its arguments are read; its work waits its turn.
void answerTaking(ApplicationBusService& service, BusArgumentReader& arguments,
                  const BusMethodCall& call, ApplicationBusService::Work work) {
  arguments.skip("a{sv}");  // the platform data
  if (!arguments) return;
  service.take(std::move(work));
  (void)call.reply();
}

}  // namespace

platform::BusInterfaceTable ApplicationBusService::applicationTable() {
  return {.methods =
              {
                  {"Activate", "a{sv}", "",
                   [this](BusArgumentReader& arguments, const BusMethodCall& call) {
                     answerTaking(*this, arguments, call, [](const Handlers& handlers) {
                       if (handlers.activate) handlers.activate();
                     });
                   }},
                  {"Open", "asa{sv}", "",
                   [this](BusArgumentReader& arguments, const BusMethodCall& call) {
                     std::vector<std::string> uris = arguments.strings();
                     if (!arguments) return;
                     if (uris.size() > kMaximumAddressesPerOpen) {
                       static const platform::Logger log{"Application"};
                       log.error(
                           "Refused {} of the {} addresses of one Open: at most {} are taken.",
                           uris.size() - kMaximumAddressesPerOpen, uris.size(),
                           kMaximumAddressesPerOpen);
                       uris.resize(kMaximumAddressesPerOpen);
                     }
                     answerTaking(*this, arguments, call,
                                  [uris = std::move(uris)](const Handlers& handlers) {
                                    if (handlers.open) handlers.open(uris);
                                  });
                   }},
                  {"ActivateAction", "sava{sv}", "",
                   [this](BusArgumentReader& arguments, const BusMethodCall& call) {
                     std::string name = arguments.string();
                     arguments.skip("av");  // the action's parameter
                     answerTaking(*this, arguments, call,
                                  [name = std::move(name)](const Handlers& handlers) {
                                    if (handlers.activateAction) handlers.activateAction(name);
                                  });
                   }},
              },
          .signals = {}};
}

std::expected<std::unique_ptr<ApplicationBusService>, platform::BusError>
ApplicationBusService::exportOn(platform::AsyncBusConnection& connection) {
  std::unique_ptr<ApplicationBusService> service(new ApplicationBusService());
  auto object = platform::exportInterface(connection, kApplicationObjectPath, kApplicationInterface,
                                          service->applicationTable());
  if (!object) return std::unexpected(object.error());
  service->object_ = std::move(*object);
  auto actions = platform::exportInterface(connection, kActionsObjectPath, kActionsInterface,
                                           service->actionsTable());
  if (!actions) return std::unexpected(actions.error());
  service->actionsObject_ = std::move(*actions);
  service->connection_ = &connection;
  return service;
}

void ApplicationBusService::serve(Handlers handlers) {
  handlers_ = std::move(handlers);
  for (Work& work : std::exchange(waiting_, {})) take(std::move(work));
}

void ApplicationBusService::take(Work work) {
  if (!handlers_) {
    waiting_.push_back(std::move(work));
    return;
  }
  platform::DispatchQueue::main().async(
      [work = std::move(work), handlers = *handlers_] { work(handlers); });
}

std::expected<platform::BusSlot, platform::BusError> requestApplicationName(
    platform::AsyncBusConnection& connection, ApplicationNameHandler onOutcome) {
  const platform::MethodAddress method{"org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "RequestName"};
  return connection.callAsync(
      method,
      [](platform::BusArgumentWriter& arguments) {
        arguments.string(kApplicationBusName).uint32(0);
      },
      [onOutcome = std::move(onOutcome)](const platform::BusReply& reply) {
        if (!reply) {
          onOutcome(std::unexpected(reply.error()));
          return;
        }
        BusArgumentReader answer(*reply);
        const std::uint32_t code = answer.uint32();
        if (!answer) {
          onOutcome(std::unexpected(answer.error()));
          return;
        }
        const bool owned = code == kPrimaryOwner || code == kAlreadyOwner;
        onOutcome(owned ? ApplicationNameOutcome::owned : ApplicationNameOutcome::taken);
      });
}

std::expected<platform::BusSlot, platform::BusError> forwardToRunningInstance(
    platform::AsyncBusConnection& connection, const std::vector<std::string>& uris,
    platform::BusReplyHandler onReply) {
  if (uris.empty()) {
    const platform::MethodAddress method{kApplicationBusName, kApplicationObjectPath,
                                         kApplicationInterface, "Activate"};
    return connection.callAsync(
        method, [](auto& arguments) { arguments.emptyDictionary(); }, std::move(onReply));
  }
  const platform::MethodAddress method{kApplicationBusName, kApplicationObjectPath,
                                       kApplicationInterface, "Open"};
  return connection.callAsync(
      method,
      [&uris](platform::BusArgumentWriter& arguments) {
        arguments.strings(uris).emptyDictionary();
      },
      std::move(onReply));
}

}  // namespace vigilix
