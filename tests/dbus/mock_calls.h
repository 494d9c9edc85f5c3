#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dbus/bus_opening.h"

struct sd_bus_message;

namespace vigilix::testing {

// Where a dbusmock object lives on the session bus.
struct MockObject {
  const char* service;
  const char* path;
};

// The arguments of each call of `method` the mock recorded, oldest first,
// each written as text: numbers in decimal, arrays as "[a, b]", dictionaries
// as "[key=value, …]". Throws std::runtime_error when the mock cannot be asked.
// The mock lives on the session bus unless `kind` says otherwise.
std::vector<std::vector<std::string>> mockMethodCalls(
    const MockObject& object, const std::string& method,
    platform::BusKind kind = platform::BusKind::Session);

// Makes the mock emit `interface`.`member` with `signature`; `appendArguments`
// appends the variants of its "av" argument (see sd_bus_message_append).
void mockEmitSignal(const MockObject& object, const std::string& interface,
                    const std::string& member, const std::string& signature,
                    const std::function<int(sd_bus_message*)>& appendArguments);

// Sets a Boolean property of a mock on the system bus (dbusmock signals the
// change). Fails the test when the mock refuses.
void setSystemBoolProperty(const char* service, const char* path, const char* interface,
                           const char* name, bool value);

}  // namespace vigilix::testing
