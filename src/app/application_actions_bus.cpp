// The actions object of ApplicationBusService: each method's arguments read
// into an action, and its outcome written back as the method's reply.
#include <systemd/sd-bus.h>

#include <memory>
#include <utility>

#include "app/application_bus_service.h"

namespace vigilix {

namespace {

using Handlers = ApplicationBusService::Handlers;

// What a method answers: nothing, the dialog, the state and the dialog, or the app list.
enum class ReplyShape { nothing, dialog, stateAndDialog, apps };

int replyWithAnswer(sd_bus_message* call, ReplyShape shape, const intents::Answer& answer) {
  switch (shape) {
    case ReplyShape::nothing:
      return sd_bus_reply_method_return(call, "");
    case ReplyShape::dialog:
      return sd_bus_reply_method_return(call, "s", answer.dialog.c_str());
    case ReplyShape::stateAndDialog:
      return sd_bus_reply_method_return(call, "bs", static_cast<int>(answer.value.value_or(false)),
                                        answer.dialog.c_str());
    case ReplyShape::apps:
      break;
  }
  sd_bus_message* reply = nullptr;
  int result = sd_bus_message_new_method_return(call, &reply);
  if (result >= 0) result = sd_bus_message_open_container(reply, 'a', "(siss)");
  for (const auto& app : answer.apps) {
    if (result >= 0) {
      result = sd_bus_message_append(reply, "(siss)", app.id.c_str(), app.processIdentifier,
                                     app.name.c_str(), app.appIdentifier.c_str());
    }
  }
  if (result >= 0) result = sd_bus_message_close_container(reply);
  if (result >= 0) result = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return result;
}

const char* errorName(intents::Refusal::Kind kind) {
  switch (kind) {
    case intents::Refusal::Kind::denied:
      return kActionDeniedError;
    case intents::Refusal::Kind::pastTime:
      return kActionPastTimeError;
    case intents::Refusal::Kind::invalid:
      break;
  }
  return SD_BUS_ERROR_INVALID_ARGS;
}

// The call is answered once its work has run on the main queue.
int takeAction(sd_bus_message* message, void* userdata, intents::Action action, ReplyShape shape) {
  std::shared_ptr<sd_bus_message> call(sd_bus_message_ref(message), sd_bus_message_unref);
  static_cast<ApplicationBusService*>(userdata)->take(
      [call, action = std::move(action), shape](const Handlers& handlers) {
        if (!handlers.perform) {
          sd_bus_reply_method_errorf(call.get(), SD_BUS_ERROR_NOT_SUPPORTED,
                                     "Vigilix cannot run actions.");
          return;
        }
        const intents::Outcome outcome = handlers.perform(action);
        if (outcome) {
          replyWithAnswer(call.get(), shape, *outcome);
        } else {
          sd_bus_reply_method_errorf(call.get(), errorName(outcome.error().kind), "%s",
                                     outcome.error().text.c_str());
        }
      });
  return 1;
}

template <typename Make>
int withBool(sd_bus_message* message, void* userdata, ReplyShape shape, Make make) {
  int value = 0;
  const int result = sd_bus_message_read(message, "b", &value);
  if (result < 0) return result;
  return takeAction(message, userdata, make(value != 0), shape);
}

template <typename Make>
int withDouble(sd_bus_message* message, void* userdata, Make make) {
  double value = 0;
  const int result = sd_bus_message_read(message, "d", &value);
  if (result < 0) return result;
  return takeAction(message, userdata, make(value), ReplyShape::dialog);
}

template <typename Make>
int withString(sd_bus_message* message, void* userdata, ReplyShape shape, Make make) {
  const char* value = nullptr;
  const int result = sd_bus_message_read(message, "s", &value);
  if (result < 0) return result;
  return takeAction(message, userdata, make(std::string(value)), shape);
}

int onSetKeepAwakeControl(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return withBool(message, userdata, ReplyShape::nothing,
                  [](bool value) { return intents::SetKeepAwakeControl{value}; });
}

int onKeepAwake(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return withDouble(message, userdata, [](double seconds) { return intents::KeepAwake{seconds}; });
}

int onKeepAwakeWithoutDuration(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return takeAction(message, userdata, intents::KeepAwake{}, ReplyShape::dialog);
}

int onKeepAwakeUntil(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return withDouble(message, userdata, [](double since1970) {
    return intents::KeepAwakeUntil{platform::Date::fromTimeIntervalSince1970(since1970)};
  });
}

int onStopKeepingAwake(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return takeAction(message, userdata, intents::StopKeepingAwake{}, ReplyShape::dialog);
}

int onAddTime(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return withDouble(message, userdata, [](double seconds) { return intents::AddTime{seconds}; });
}

int onAddTimeWithoutDuration(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return takeAction(message, userdata, intents::AddTime{}, ReplyShape::dialog);
}

int onGetAwakeState(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return takeAction(message, userdata, intents::GetAwakeState{}, ReplyShape::stateAndDialog);
}

int onKeepAwakeWhileAppRuns(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return withString(message, userdata, ReplyShape::dialog, [](std::string identifier) {
    return intents::KeepAwakeWhileAppRuns{std::move(identifier)};
  });
}

int onKeepAwakeUntilDownloadFinishes(sd_bus_message* message, void* userdata,
                                     sd_bus_error*) noexcept {
  return withString(message, userdata, ReplyShape::dialog, [](std::string path) {
    return intents::KeepAwakeUntilDownloadFinishes{std::move(path)};
  });
}

int onSetAutomaticKeepAwake(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return withBool(message, userdata, ReplyShape::dialog,
                  [](bool isOn) { return intents::SetAutomaticKeepAwake{isOn}; });
}

int onSetFocusFilter(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return withString(message, userdata, ReplyShape::nothing,
                    [](std::string mode) { return intents::SetFocusFilter{std::move(mode)}; });
}

int onRunningApps(sd_bus_message* message, void* userdata, sd_bus_error*) noexcept {
  return takeAction(message, userdata, intents::RunningApps{}, ReplyShape::apps);
}

constexpr auto kUnprivileged = SD_BUS_VTABLE_UNPRIVILEGED;

const sd_bus_vtable kActionsVTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("SetKeepAwakeControl", "b", "", onSetKeepAwakeControl, kUnprivileged),
    SD_BUS_METHOD("KeepAwake", "d", "s", onKeepAwake, kUnprivileged),
    SD_BUS_METHOD("KeepAwakeWithoutDuration", "", "s", onKeepAwakeWithoutDuration, kUnprivileged),
    SD_BUS_METHOD("KeepAwakeUntil", "d", "s", onKeepAwakeUntil, kUnprivileged),
    SD_BUS_METHOD("StopKeepingAwake", "", "s", onStopKeepingAwake, kUnprivileged),
    SD_BUS_METHOD("AddTime", "d", "s", onAddTime, kUnprivileged),
    SD_BUS_METHOD("AddTimeWithoutDuration", "", "s", onAddTimeWithoutDuration, kUnprivileged),
    SD_BUS_METHOD("GetAwakeState", "", "bs", onGetAwakeState, kUnprivileged),
    SD_BUS_METHOD("KeepAwakeWhileAppRuns", "s", "s", onKeepAwakeWhileAppRuns, kUnprivileged),
    SD_BUS_METHOD("KeepAwakeUntilDownloadFinishes", "s", "s", onKeepAwakeUntilDownloadFinishes,
                  kUnprivileged),
    SD_BUS_METHOD("SetAutomaticKeepAwake", "b", "s", onSetAutomaticKeepAwake, kUnprivileged),
    SD_BUS_METHOD("SetFocusFilter", "s", "", onSetFocusFilter, kUnprivileged),
    SD_BUS_METHOD("RunningApps", "", "a(siss)", onRunningApps, kUnprivileged),
    SD_BUS_SIGNAL("ControlsChanged", "s", 0),
    SD_BUS_VTABLE_END,
};

}  // namespace

const sd_bus_vtable* ApplicationBusService::actionsVTable() { return kActionsVTable; }

void ApplicationBusService::announceControlsChanged(const std::string& kind) {
  if (!connection_) return;
  // A shell that misses one reads the state again on the next.
  (void)connection_->emitSignal({kActionsObjectPath, kActionsInterface, "ControlsChanged"},
                                [&kind](sd_bus_message* message) {
                                  return sd_bus_message_append(message, "s", kind.c_str());
                                });
}

}  // namespace vigilix
