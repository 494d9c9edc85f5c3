// The actions object of ApplicationBusService: each method's arguments read
// into an action, and its outcome written back as the method's reply.
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/application_bus_service.h"

namespace vigilix {

namespace {

using Handlers = ApplicationBusService::Handlers;
using platform::BusArgumentReader;
using platform::BusArgumentWriter;
using platform::BusMethodCall;

// What a method answers: nothing, the dialog, the state and the dialog, or the app list.
enum class ReplyShape { nothing, dialog, stateAndDialog, apps };

void writeAnswer(BusArgumentWriter& reply, ReplyShape shape, const intents::Answer& answer) {
  switch (shape) {
    case ReplyShape::nothing:
      return;
    case ReplyShape::dialog:
      reply.string(answer.dialog);
      return;
    case ReplyShape::stateAndDialog:
      reply.boolean(answer.value.value_or(false)).string(answer.dialog);
      return;
    case ReplyShape::apps:
      break;
  }
  reply.open('a', "(siss)");
  for (const auto& app : answer.apps) {
    reply.open('r', "siss")
        .string(app.id)
        .int32(app.processIdentifier)
        .string(app.name)
        .string(app.appIdentifier)
        .close();
  }
  reply.close();
}

const char* errorName(intents::VigilixIntentError::Kind kind) {
  switch (kind) {
    case intents::VigilixIntentError::Kind::denied:
      return kActionDeniedError;
    case intents::VigilixIntentError::Kind::pastTime:
      return kActionPastTimeError;
    case intents::VigilixIntentError::Kind::invalid:
      break;
  }
  return platform::kBusInvalidArgsError;
}

// Reads a method's arguments into its action (nothing when the read failed).
using ReadAction = std::function<std::optional<intents::Action>(BusArgumentReader&)>;

template <typename Value>
ReadAction without(Value action) {
  return [action = std::move(action)](BusArgumentReader&) { return intents::Action(action); };
}

template <typename Read, typename Make>
ReadAction taking(Read read, Make make) {
  return [read, make](BusArgumentReader& arguments) -> std::optional<intents::Action> {
    auto value = read(arguments);
    if (!arguments) return std::nullopt;
    return intents::Action(make(std::move(value)));
  };
}

constexpr auto readBool = [](BusArgumentReader& arguments) { return arguments.boolean(); };
constexpr auto readDouble = [](BusArgumentReader& arguments) { return arguments.number(); };
constexpr auto readString = [](BusArgumentReader& arguments) { return arguments.string(); };

struct ActionMethod {
  const char* name;
  const char* arguments;
  const char* result;
  ReplyShape shape;
  ReadAction read;
};

intents::KeepAwakeUntilIntent untilSince1970(double seconds) {
  return {platform::Date::fromTimeIntervalSince1970(seconds)};
}

std::vector<ActionMethod> actionMethods() {
  using namespace intents;
  return {
      {"SetKeepAwakeControl", "b", "", ReplyShape::nothing,
       taking(readBool, [](bool value) { return SetKeepAwakeControlIntent{value}; })},
      {"KeepAwake", "d", "s", ReplyShape::dialog,
       taking(readDouble, [](double seconds) { return KeepAwakeIntent{seconds}; })},
      {"KeepAwakeWithoutDuration", "", "s", ReplyShape::dialog, without(KeepAwakeIntent{})},
      {"KeepAwakeUntil", "d", "s", ReplyShape::dialog, taking(readDouble, untilSince1970)},
      {"StopKeepingAwake", "", "s", ReplyShape::dialog, without(StopKeepingAwakeIntent{})},
      {"AddTime", "d", "s", ReplyShape::dialog,
       taking(readDouble, [](double seconds) { return AddTimeIntent{seconds}; })},
      {"AddTimeWithoutDuration", "", "s", ReplyShape::dialog, without(AddTimeIntent{})},
      {"GetAwakeState", "", "bs", ReplyShape::stateAndDialog, without(GetAwakeStateIntent{})},
      {"KeepAwakeWhileAppRuns", "s", "s", ReplyShape::dialog,
       taking(readString,
              [](std::string identifier) {
                return KeepAwakeWhileAppRunsIntent{std::move(identifier)};
              })},
      {"KeepAwakeUntilDownloadFinishes", "s", "s", ReplyShape::dialog,
       taking(
           readString,
           [](std::string path) { return KeepAwakeUntilDownloadFinishesIntent{std::move(path)}; })},
      {"SetAutomaticKeepAwake", "b", "s", ReplyShape::dialog,
       taking(readBool, [](bool isOn) { return SetAutomaticKeepAwakeIntent{isOn}; })},
      {"SetFocusFilter", "s", "", ReplyShape::nothing,
       taking(readString, [](std::string mode) { return VigilixFocusFilter{std::move(mode)}; })},
      {"RunningApps", "", "a(siss)", ReplyShape::apps, without(RunningAppQuery{})},
  };
}

}  // namespace

platform::BusInterfaceTable ApplicationBusService::actionsTable() {
  platform::BusInterfaceTable table{.methods = {}, .signals = {{"ControlsChanged", "s"}}};
  for (ActionMethod& method : actionMethods()) {
    // The call is answered once its work has run on the main queue.
    auto serve = [this, shape = method.shape, read = std::move(method.read)](
                     BusArgumentReader& arguments, const BusMethodCall& call) {
      std::optional<intents::Action> action = read(arguments);
      if (!action) return;
      take([call, shape, action = std::move(*action)](const Handlers& handlers) {
        if (!handlers.perform) {
          (void)call.fail(platform::kBusNotSupportedError, "Vigilix cannot run actions.");
          return;
        }
        const intents::Outcome outcome = handlers.perform(action);
        if (outcome) {
          (void)call.reply([&](BusArgumentWriter& reply) { writeAnswer(reply, shape, *outcome); });
        } else {
          (void)call.fail(errorName(outcome.error().kind), outcome.error().text);
        }
      });
    };
    table.methods.push_back({method.name, method.arguments, method.result, std::move(serve)});
  }
  return table;
}

void ApplicationBusService::announceControlsChanged(const std::string& kind) {
  if (!connection_) return;
  // A shell that misses one reads the state again on the next.
  (void)connection_->emitSignal({kActionsObjectPath, kActionsInterface, "ControlsChanged"},
                                [&kind](BusArgumentWriter& arguments) { arguments.string(kind); });
}

}  // namespace vigilix
