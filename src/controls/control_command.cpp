#include "controls/control_command.h"

#include <optional>

#include "controls/control_state.h"
#include "platform/json/json_writer.h"
#include "platform/json/value.h"

namespace vigilix {

namespace {

constexpr const char* kUsage =
    "usage: vigilix-control [--json] [on | off]\n"
    "  (no argument)  print whether the computer is kept awake: Off, On or Until <time>\n"
    "  --json         print the state as JSON\n"
    "  on | off       turn keep-awake on for the default duration, or off\n";

std::string jsonOf(const VGXControlState& state) {
  namespace json = platform::json;
  json::Value object = json::Value::object();
  object["isAwake"] = state.isAwake();
  object["label"] = state.valueText();
  if (state.until()) object["until"] = state.until()->timeIntervalSince1970();
  return json::write(object).value_or("{}") + "\n";
}

}  // namespace

ControlCommandResult runControlCommand(const std::vector<std::string>& arguments,
                                       platform::UserDefaults* suite, platform::Date now) {
  bool asJson = false;
  std::optional<bool> wanted;
  for (const auto& argument : arguments) {
    if (argument == "--json") {
      asJson = true;
    } else if ((argument == "on" || argument == "off") && !wanted) {
      wanted = argument == "on";
    } else if (argument == "-h" || argument == "--help") {
      return {0, kUsage, ""};
    } else {
      return {2, "", "vigilix-control: unexpected argument \"" + argument + "\"\n" + kUsage};
    }
  }

  VGXControlState state;
  if (wanted) {
    // The optimistic state goes first, so that the application's answer to the
    // request, a refusal among them, is always what stays.
    state = VGXControlState(*wanted, std::nullopt);
    state.write(suite);
    VGXControlState::postRequest(*wanted, now, suite);
  } else {
    state = VGXControlState::read(suite);
  }
  return {0, asJson ? jsonOf(state) : state.valueText() + "\n", ""};
}

}  // namespace vigilix
