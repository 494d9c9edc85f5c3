#include "sleepguard/service/seat_sessions.h"

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/dbus/bus_arguments.h"
#include "platform/dbus/bus_connection.h"
#include "platform/dbus/bus_types.h"

namespace vigilix {
namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";
// A lookup at accept must not hold the guard's loop long.
constexpr std::uint64_t kCallTimeoutMicroseconds = 2'000'000;

// A Boolean property of a session; none when it cannot be read.
std::optional<bool> sessionFlag(const platform::BusConnection& bus, const std::string& path,
                                const char* name) {
  auto value = bus.property<bool>(kLogind, path.c_str(), kSessionInterface, name);
  return value ? std::optional(*value) : std::nullopt;
}

class LiveSeatSessions final : public VGXSeatSessions {
 public:
  bool isAtASeat(std::uint32_t uid) override {
    const auto now = std::chrono::steady_clock::now();
    if (seen_ && seen_->uid == uid && now - seen_->at < std::chrono::seconds(1)) return true;
    if (!lookUp(uid)) return false;
    seen_ = Seen{uid, now};
    return true;
  }

 private:
  // The last user found at a seat. Only a yes is kept: one who has just sat
  // down is served at once.
  struct Seen {
    std::uint32_t uid;
    std::chrono::steady_clock::time_point at;
  };

  static bool lookUp(std::uint32_t uid) {
    auto bus = platform::BusConnection::openSystem(kCallTimeoutMicroseconds);
    if (!bus) return false;
    // Each session as (id, uid, user name, seat id, object path); a session
    // without a seat (a remote login, a service) has an empty seat id.
    using Session =
        std::tuple<std::string, std::uint32_t, std::string, std::string, platform::BusObjectPath>;
    const auto sessions = platform::readReply<std::vector<Session>>(bus->call(
        {kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListSessions"}));
    if (!sessions) return false;
    for (const auto& [id, owner, name, seat, path] : *sessions) {
      if (owner != uid || seat.empty()) continue;
      if (sessionFlag(*bus, path.value, "Active") == true &&
          sessionFlag(*bus, path.value, "Remote") == false) {
        return true;
      }
    }
    return false;
  }

  std::optional<Seen> seen_;
};

}  // namespace

std::unique_ptr<VGXSeatSessions> VGXSeatSessions::live() {
  return std::make_unique<LiveSeatSessions>();
}

}  // namespace vigilix
