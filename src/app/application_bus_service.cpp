#include "app/application_bus_service.h"

#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/base/logger.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

namespace {

// The bus daemon's RequestName reply codes.
constexpr std::uint32_t kPrimaryOwner = 1;
constexpr std::uint32_t kAlreadyOwner = 4;

using Handlers = ApplicationBusService::Handlers;

ApplicationBusService& serviceOf(void* userdata) {
  return *static_cast<ApplicationBusService*>(userdata);
}

int answer(sd_bus_message* message, int result) {
  if (result < 0) return result;
  return sd_bus_reply_method_return(message, "");
}

int onActivate(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  serviceOf(userdata).take([](const Handlers& handlers) {
    if (handlers.activate) handlers.activate();
  });
  return answer(message, sd_bus_message_skip(message, "a{sv}"));
}

int onOpen(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  char** list = nullptr;
  const int result = sd_bus_message_read_strv(message, &list);
  std::vector<std::string> uris;
  std::size_t refused = 0;
  if (result >= 0 && list) {
    for (char** item = list; *item; ++item) {
      if (uris.size() < ApplicationBusService::kMaximumAddressesPerOpen) {
        uris.emplace_back(*item);
      } else {
        ++refused;
      }
      std::free(*item);
    }
    std::free(list);
  }
  if (result < 0) return result;
  if (refused > 0) {
    static const platform::Logger log{"Application"};
    log.error("Refused {} of the {} addresses of one Open: at most {} are taken.", refused,
              refused + uris.size(), ApplicationBusService::kMaximumAddressesPerOpen);
  }
  serviceOf(userdata).take([uris](const Handlers& handlers) {
    if (handlers.open) handlers.open(uris);
  });
  return answer(message, sd_bus_message_skip(message, "a{sv}"));
}

int onActivateAction(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  const char* action = nullptr;
  const int result = sd_bus_message_read(message, "s", &action);
  if (result < 0) return result;
  serviceOf(userdata).take([name = std::string(action)](const Handlers& handlers) {
    if (handlers.activateAction) handlers.activateAction(name);
  });
  return answer(message, sd_bus_message_skip(message, "ava{sv}"));
}

const sd_bus_vtable kApplicationVTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Activate", "a{sv}", "", onActivate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Open", "asa{sv}", "", onOpen, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ActivateAction", "sava{sv}", "", onActivateAction, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

int appendEmptyPlatformData(sd_bus_message* message) {
  return sd_bus_message_append(message, "a{sv}", 0);
}

}  // namespace

std::expected<std::unique_ptr<ApplicationBusService>, platform::BusError>
ApplicationBusService::exportOn(platform::AsyncBusConnection& connection) {
  std::unique_ptr<ApplicationBusService> service(new ApplicationBusService());
  auto object = connection.addObject(kApplicationObjectPath, kApplicationInterface,
                                     kApplicationVTable, service.get());
  if (!object) return std::unexpected(object.error());
  service->object_ = std::move(*object);
  auto actions =
      connection.addObject(kActionsObjectPath, kActionsInterface, actionsVTable(), service.get());
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
      [](sd_bus_message* message) {
        return sd_bus_message_append(message, "su", kApplicationBusName, std::uint32_t{0});
      },
      [onOutcome = std::move(onOutcome)](const platform::BusReply& reply) {
        if (!reply) {
          onOutcome(std::unexpected(reply.error()));
          return;
        }
        std::uint32_t code = 0;
        const int result = sd_bus_message_read(*reply, "u", &code);
        if (result < 0) {
          onOutcome(std::unexpected(platform::busErrorFromResult(result)));
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
    return connection.callAsync(method, appendEmptyPlatformData, std::move(onReply));
  }
  const platform::MethodAddress method{kApplicationBusName, kApplicationObjectPath,
                                       kApplicationInterface, "Open"};
  return connection.callAsync(
      method,
      [&uris](sd_bus_message* message) {
        int result = sd_bus_message_open_container(message, 'a', "s");
        for (const auto& uri : uris) {
          if (result >= 0) result = sd_bus_message_append(message, "s", uri.c_str());
        }
        if (result >= 0) result = sd_bus_message_close_container(message);
        if (result >= 0) result = appendEmptyPlatformData(message);
        return result;
      },
      std::move(onReply));
}

}  // namespace vigilix
