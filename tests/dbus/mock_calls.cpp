#include "dbus/mock_calls.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <cstdint>
#include <stdexcept>

#include "platform/dbus/bus_connection.h"

namespace vigilix::testing {

namespace {

constexpr const char* kMockInterface = "org.freedesktop.DBus.Mock";

std::string readValueText(sd_bus_message* message);

std::string readContainerText(sd_bus_message* message, char type, const char* contents) {
  const bool listed = type == 'a';
  std::string text = listed ? "[" : "";
  sd_bus_message_enter_container(message, type, contents);
  for (bool first = true; sd_bus_message_at_end(message, 0) == 0; first = false) {
    if (!first) text += listed ? ", " : "=";
    text += readValueText(message);
  }
  sd_bus_message_exit_container(message);
  return listed ? text + "]" : text;
}

std::string readValueText(sd_bus_message* message) {
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_peek_type(message, &type, &contents) <= 0) return "";
  union {
    const char* text;
    std::uint8_t y;
    std::int32_t i;
    std::uint32_t u;
  } value{};
  switch (type) {
    case 'a':
    case 'v':
    case 'e':
      return readContainerText(message, type, contents);
    case 's':
    case 'y':
    case 'i':
    case 'u':
      sd_bus_message_read_basic(message, type, &value);
      return type == 's'   ? value.text
             : type == 'y' ? std::to_string(value.y)
             : type == 'i' ? std::to_string(value.i)
                           : std::to_string(value.u);
    default:
      sd_bus_message_skip(message, nullptr);
      return "?";
  }
}

}  // namespace

namespace {

platform::BusConnection session(platform::BusKind kind = platform::BusKind::Session) {
  auto connection = platform::BusConnection::open(kind);
  if (!connection) throw std::runtime_error("no bus: " + connection.error().description());
  return std::move(*connection);
}

}  // namespace

std::vector<std::vector<std::string>> mockMethodCalls(const MockObject& object,
                                                      const std::string& method,
                                                      platform::BusKind kind) {
  auto reply = session(kind).call({object.service, object.path, kMockInterface, "GetMethodCalls"},
                                  [&](platform::BusArgumentWriter& out) { out.string(method); });
  if (!reply) throw std::runtime_error("GetMethodCalls: " + reply.error().description());
  sd_bus_message* message = reply->get();
  std::vector<std::vector<std::string>> calls;
  sd_bus_message_enter_container(message, 'a', "(tav)");
  while (sd_bus_message_enter_container(message, 'r', "tav") > 0) {
    std::uint64_t when = 0;
    sd_bus_message_read_basic(message, 't', &when);
    std::vector<std::string> arguments;
    sd_bus_message_enter_container(message, 'a', "v");
    while (sd_bus_message_at_end(message, 0) == 0) arguments.push_back(readValueText(message));
    sd_bus_message_exit_container(message);
    sd_bus_message_exit_container(message);
    calls.push_back(std::move(arguments));
  }
  return calls;
}

void mockEmitSignal(const MockObject& object, const std::string& interface,
                    const std::string& member, const std::string& signature,
                    const std::function<int(sd_bus_message*)>& appendArguments) {
  int appended = 0;
  auto reply = session().call({object.service, object.path, kMockInterface, "EmitSignal"},
                              [&](platform::BusArgumentWriter& out) {
                                out.string(interface).string(member).string(signature);
                                out.open('a', "v");
                                appended = appendArguments(out.raw());
                                out.close();
                              });
  if (appended < 0) throw std::runtime_error("EmitSignal: the arguments cannot be written");
  if (!reply) throw std::runtime_error("EmitSignal: " + reply.error().description());
}

void setSystemBoolProperty(const char* service, const char* path, const char* interface,
                           const char* name, bool value) {
  auto bus = platform::BusConnection::openSystem();
  ASSERT_TRUE(bus.has_value());
  auto reply = bus->call(
      {service, path, "org.freedesktop.DBus.Properties", "Set"},
      [&](platform::BusArgumentWriter& out) { out.string(interface).string(name).variant(value); });
  ASSERT_TRUE(reply.has_value()) << reply.error().description();
}

}  // namespace vigilix::testing
