#include "platform/power/logind_inhibitors.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>

#include <cerrno>

namespace vigilix::platform {

bool logindIsNotRunning(const BusError& error) {
  return error.name.empty() || error.name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
         error.name == "org.freedesktop.DBus.Error.NameHasNoOwner";
}

namespace {

MethodAddress managerMethod(const char* member) {
  return MethodAddress{"org.freedesktop.login1", "/org/freedesktop/login1",
                       "org.freedesktop.login1.Manager", member};
}

}  // namespace

bool LogindInhibitor::inhibits(std::string_view item) const {
  std::string_view rest = what;
  for (;;) {
    const std::size_t colon = rest.find(':');
    if (rest.substr(0, colon) == item) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

std::expected<UniqueFd, BusError> LiveLogindInhibitors::inhibit(const std::string& what,
                                                                const std::string& who,
                                                                const std::string& why,
                                                                const std::string& mode) {
  auto bus = BusConnection::openSystem();
  if (!bus) return std::unexpected(bus.error());
  auto reply = bus->call(managerMethod("Inhibit"), [&](sd_bus_message* message) {
    return sd_bus_message_append(message, "ssss", what.c_str(), who.c_str(), why.c_str(),
                                 mode.c_str());
  });
  if (!reply) return std::unexpected(reply.error());
  int lent = -1;
  if (const int result = sd_bus_message_read(reply->get(), "h", &lent); result < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  // The message owns `lent` and closes it with the reply; the lock must outlive both,
  // and must never pass to a child we start (it would keep the lock alive).
  UniqueFd lock(::fcntl(lent, F_DUPFD_CLOEXEC, 3));
  if (!lock.valid()) return std::unexpected(busErrorFromResult(-errno));
  return lock;
}

std::expected<std::vector<LogindInhibitor>, BusError> LiveLogindInhibitors::listInhibitors() {
  auto bus = BusConnection::openSystem();
  if (!bus) return std::unexpected(bus.error());
  auto reply = bus->call(managerMethod("ListInhibitors"));
  if (!reply) return std::unexpected(reply.error());
  sd_bus_message* message = reply->get();
  if (const int result = sd_bus_message_enter_container(message, 'a', "(ssssuu)"); result < 0) {
    return std::unexpected(busErrorFromResult(result));
  }
  std::vector<LogindInhibitor> rows;
  for (;;) {
    const char* what = nullptr;
    const char* who = nullptr;
    const char* why = nullptr;
    const char* mode = nullptr;
    std::uint32_t uid = 0;
    std::uint32_t pid = 0;
    const int result =
        sd_bus_message_read(message, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid);
    if (result < 0) return std::unexpected(busErrorFromResult(result));
    if (result == 0) break;
    rows.push_back(LogindInhibitor{what, who, why, mode, uid, pid});
  }
  return rows;
}

}  // namespace vigilix::platform
