#include "sleepguard/service/seat_sessions.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/dbus/bus_arguments.h"
#include "platform/dbus/bus_connection.h"

namespace vigilix {
namespace {

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kSessionInterface = "org.freedesktop.login1.Session";
// A lookup at accept must not hold the guard's loop long.
constexpr std::uint64_t kCallTimeoutMicroseconds = 2'000'000;

// A Boolean property of a session; none when it cannot be read.
std::optional<bool> sessionFlag(const platform::BusConnection& bus, const std::string& path,
                                const char* name) {
  auto reply = bus.call({kLogind, path.c_str(), "org.freedesktop.DBus.Properties", "Get"},
                        platform::appendArguments([name](platform::BusArgumentWriter& write) {
                          write.string(kSessionInterface).string(name);
                        }));
  if (!reply) return std::nullopt;
  platform::BusArgumentReader read(reply->get());
  if (!read.enter('v', "b")) return std::nullopt;
  const bool value = read.boolean();
  read.leave();
  return read ? std::optional(value) : std::nullopt;
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
    auto reply = bus->call(
        {kLogind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "ListSessions"});
    if (!reply) return false;
    // Each session as (id, uid, user name, seat id, object path); a session
    // without a seat (a remote login, a service) has an empty seat id.
    std::vector<std::string> candidates;
    platform::BusArgumentReader read(reply->get());
    if (!read.enter('a', "(susso)")) return false;
    while (read.enter('r', "susso")) {
      read.string();
      const std::uint32_t owner = read.uint32();
      read.string();
      const std::string seat = read.string();
      const std::string path = read.objectPath();
      read.leave();
      if (read && owner == uid && !seat.empty()) candidates.push_back(path);
    }
    read.leave();
    if (!read) return false;
    for (const auto& path : candidates) {
      if (sessionFlag(*bus, path, "Active") == true && sessionFlag(*bus, path, "Remote") == false) {
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
