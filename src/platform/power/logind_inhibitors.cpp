#include "platform/power/logind_inhibitors.h"

#include <fcntl.h>

#include <cerrno>
#include <tuple>

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
  auto reply = bus->call(managerMethod("Inhibit"), [&](BusArgumentWriter& out) {
    out.string(what).string(who).string(why).string(mode);
  });
  if (!reply) return std::unexpected(reply.error());
  BusArgumentReader answer(*reply);
  const int lent = answer.unixFd();
  if (!answer) return std::unexpected(answer.error());
  // The message owns `lent` and closes it with the reply; the lock must outlive both,
  // and must never pass to a child we start (it would keep the lock alive).
  UniqueFd lock(::fcntl(lent, F_DUPFD_CLOEXEC, 3));
  if (!lock.valid()) return std::unexpected(busErrorFromResult(-errno));
  return lock;
}

std::expected<std::vector<LogindInhibitor>, BusError> LiveLogindInhibitors::listInhibitors() {
  auto bus = BusConnection::openSystem();
  if (!bus) return std::unexpected(bus.error());
  using Row =
      std::tuple<std::string, std::string, std::string, std::string, std::uint32_t, std::uint32_t>;
  const auto listed = readReply<std::vector<Row>>(bus->call(managerMethod("ListInhibitors")));
  if (!listed) return std::unexpected(listed.error());
  std::vector<LogindInhibitor> rows;
  for (const auto& [what, who, why, mode, uid, pid] : *listed) {
    rows.push_back(LogindInhibitor{what, who, why, mode, uid, pid});
  }
  return rows;
}

}  // namespace vigilix::platform
