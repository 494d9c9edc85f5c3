// The parts of a tray host that tests play on a private session bus.
#include "dbus/tray_host.h"

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "dbus/main_loop_waiting.h"
#include "dbus/raw_arguments.h"
#include "platform/tray/status_notifier_item.h"

namespace vigilix::testing {

using platform::BusReply;
using platform::StatusNotifierItem;

namespace {

int registerItem(sd_bus_message* m, void* self, sd_bus_error*) {
  const char* name = nullptr;
  const int r = sd_bus_message_read(m, "s", &name);
  if (r < 0) return r;
  static_cast<TrayWatcher*>(self)->registered.emplace_back(name);
  return sd_bus_reply_method_return(m, "");
}

constexpr sd_bus_vtable kWatcherVTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("RegisterStatusNotifierItem", "s", "", registerItem, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

// A variant's value as text: a string as is, b and i as numbers, aas as a+b.
std::string readVariant(sd_bus_message* m) {
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_peek_type(m, &type, &contents) < 0) return "?";
  std::string out;
  sd_bus_message_enter_container(m, 'v', contents);
  const std::string signature = contents;
  if (signature == "s") {
    const char* text = nullptr;
    sd_bus_message_read(m, "s", &text);
    out = text;
  } else if (signature == "b") {
    int flag = 0;
    sd_bus_message_read(m, "b", &flag);
    out = flag ? "true" : "false";
  } else if (signature == "i") {
    std::int32_t number = 0;
    sd_bus_message_read(m, "i", &number);
    out = std::to_string(number);
  } else if (signature == "aas") {
    sd_bus_message_enter_container(m, 'a', "as");
    char** keys = nullptr;
    while (sd_bus_message_read_strv(m, &keys) > 0) {
      for (char** key = keys; *key; ++key) {
        out += (out.empty() ? "" : "+") + std::string(*key);
        std::free(*key);
      }
      std::free(static_cast<void*>(keys));
    }
    sd_bus_message_exit_container(m);
  }
  sd_bus_message_exit_container(m);
  return out;
}

}  // namespace

std::string readMenuProperties(sd_bus_message* m) {
  std::string out;
  sd_bus_message_enter_container(m, 'a', "{sv}");
  while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
    const char* name = nullptr;
    sd_bus_message_read(m, "s", &name);
    out += " " + std::string(name) + "=" + readVariant(m);
    sd_bus_message_exit_container(m);
  }
  sd_bus_message_exit_container(m);
  return out;
}

void readMenuLayout(sd_bus_message* m, int depth, std::vector<std::string>& lines) {
  sd_bus_message_enter_container(m, 'r', "ia{sv}av");
  std::int32_t id = 0;
  sd_bus_message_read(m, "i", &id);
  lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + std::to_string(id) +
                  readMenuProperties(m));
  sd_bus_message_enter_container(m, 'a', "v");
  while (sd_bus_message_enter_container(m, 'v', "(ia{sv}av)") > 0) {
    readMenuLayout(m, depth + 1, lines);
    sd_bus_message_exit_container(m);
  }
  sd_bus_message_exit_container(m);
  sd_bus_message_exit_container(m);
}

TrayWatcher::TrayWatcher() : connection(openSessionConnection()) {
  auto exported = connection->addObject("/StatusNotifierWatcher", StatusNotifierItem::kWatcherName,
                                        kWatcherVTable, this);
  if (!exported) throw std::runtime_error(exported.error().description());
  object = std::move(*exported);
  bool owned = false;
  auto asked = connection->requestName(StatusNotifierItem::kWatcherName, 0,
                                       [&](const BusReply& reply) { owned = reply.has_value(); });
  if (!asked || !runMainLoopUntil([&] { return owned; })) throw std::runtime_error("no name");
  name = std::move(*asked);
}

std::string callAsHost(platform::AsyncBusConnection& host, const std::string& destination,
                       const char* path, const char* interface, const char* member,
                       const std::function<int(sd_bus_message*)>& append,
                       const std::function<std::string(sd_bus_message*)>& read) {
  std::optional<std::string> answer;
  auto pending = host.callAsync(
      {destination.c_str(), path, interface, member}, rawArguments(append),
      [&](const BusReply& reply) { answer = reply ? read(reply->raw()) : reply.error().name; });
  if (!pending || !runMainLoopUntil([&] { return answer.has_value(); })) return "no answer";
  return *answer;
}

}  // namespace vigilix::testing
