#include <map>
#include <string>
#include <variant>

#include "platform/base/logger.h"
#include "platform/base/product.h"
#include "platform/power/session_inhibitor.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger* logger = new Logger("SessionInhibitor");
  return *logger;
}

constexpr const char* kGnomeSession = "org.gnome.SessionManager";
constexpr const char* kPowerManagement = "org.freedesktop.PowerManagement";
constexpr const char* kScreenSaver = "org.freedesktop.ScreenSaver";
constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
// The desktop entry's name, which GNOME shows beside the reason.
constexpr const char* kApplicationID = kProductIdentifier;
constexpr const char* kApplicationName = "Vigilix";

// gnome-session's and the portal's flags: 4 suspend, 8 idle.
constexpr std::uint32_t kSuspendFlag = 4;
constexpr std::uint32_t kIdleFlag = 8;

MethodAddress gnomeSession(const char* member) {
  return {kGnomeSession, "/org/gnome/SessionManager", "org.gnome.SessionManager", member};
}
MethodAddress powerManagement(const char* member) {
  return {kPowerManagement, "/org/freedesktop/PowerManagement/Inhibit",
          "org.freedesktop.PowerManagement.Inhibit", member};
}
MethodAddress screenSaver(const char* member) {
  return {kScreenSaver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", member};
}

}  // namespace

bool DesktopSessionInhibitor::connected() {
  if (bus_) return true;
  auto bus = BusConnection::open(BusKind::Session);
  if (!bus) {
    if (!absentLogged_) log().debug("No desktop session inhibitor: {}", bus.error().description());
    absentLogged_ = true;
    return false;
  }
  bus_.emplace(std::move(*bus));
  return true;
}

bool DesktopSessionInhibitor::hasOwner(const char* name) {
  auto reply = bus_->call(
      {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"},
      [name](BusArgumentWriter& out) { out.string(name); });
  if (!reply) {
    if (reply.error().name.empty()) bus_.reset();  // the connection itself failed
    return false;
  }
  return readReply<bool>(reply).value_or(false);
}

std::optional<std::uint32_t> DesktopSessionInhibitor::callForCookie(const MethodAddress& method,
                                                                    const BusWrite& write) {
  auto reply = bus_->call(method, write);
  if (const auto cookie = readReply<std::uint32_t>(reply)) return *cookie;
  log().error("{} refused to inhibit: {}", method.destination,
              reply ? std::string("no cookie in its answer") : reply.error().description());
  return std::nullopt;
}

std::expected<SessionInhibition, SessionInhibitFailure> DesktopSessionInhibitor::inhibit(
    bool display, const std::string& reason) {
  using Service = SessionInhibition::Service;
  const auto refused = std::unexpected(SessionInhibitFailure::refused);
  if (!connected()) return std::unexpected(SessionInhibitFailure::noService);
  const auto nameAndReason = [&reason](BusArgumentWriter& out) {
    out.string(kApplicationName).string(reason);
  };
  const std::uint32_t flags = display ? kSuspendFlag | kIdleFlag : kSuspendFlag;

  if (hasOwner(kGnomeSession)) {
    auto cookie = callForCookie(gnomeSession("Inhibit"), [&](BusArgumentWriter& out) {
      out.string(kApplicationID).uint32(0).string(reason).uint32(flags);
    });
    if (!cookie) return refused;
    return SessionInhibition{Service::GnomeSession, *cookie, std::nullopt, {}};
  }

  const bool powerManager = hasOwner(kPowerManagement);
  const bool screenSaverServed = hasOwner(kScreenSaver);
  if (powerManager || screenSaverServed) {
    SessionInhibition inhibition{Service::ScreenSaver, 0, std::nullopt, {}};
    if (powerManager) {
      auto cookie = callForCookie(powerManagement("Inhibit"), nameAndReason);
      if (!cookie) return refused;
      inhibition = {Service::PowerManagement, *cookie, std::nullopt, {}};
    }
    // Xfce's power manager also keeps the screen on; KDE's needs the screen saver asked.
    if (screenSaverServed && (display || !powerManager)) {
      auto cookie = callForCookie(screenSaver("Inhibit"), nameAndReason);
      if (powerManager) {
        inhibition.screenSaverCookie = cookie;
      } else if (cookie) {
        inhibition.cookie = *cookie;
      } else {
        return refused;
      }
    }
    return inhibition;
  }

  if (hasOwner(kPortal)) {
    auto reply = bus_->call(
        {kPortal, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Inhibit", "Inhibit"},
        [&](BusArgumentWriter& out) {
          out.string("").uint32(flags).write(
              std::map<std::string, std::variant<std::string>>{{"reason", reason}});
        });
    if (const auto request = readReply<BusObjectPath>(reply)) {
      return SessionInhibition{Service::Portal, 0, std::nullopt, request->value};
    }
    log().error("{} refused to inhibit: {}", kPortal,
                reply ? std::string("no request in its answer") : reply.error().description());
    return refused;
  }

  if (!absentLogged_) log().debug("No desktop service to inhibit on the session bus.");
  absentLogged_ = true;
  return std::unexpected(SessionInhibitFailure::noService);
}

void DesktopSessionInhibitor::uninhibit(const SessionInhibition& inhibition) {
  using Service = SessionInhibition::Service;
  // Without the connection that took it, the desktop has dropped it already.
  if (!bus_) return;
  const auto cookie = [](std::uint32_t value) {
    return [value](BusArgumentWriter& out) { out.uint32(value); };
  };
  switch (inhibition.service) {
    case Service::GnomeSession:
      (void)bus_->call(gnomeSession("Uninhibit"), cookie(inhibition.cookie));
      break;
    case Service::PowerManagement:
      (void)bus_->call(powerManagement("UnInhibit"), cookie(inhibition.cookie));
      if (inhibition.screenSaverCookie)
        (void)bus_->call(screenSaver("UnInhibit"), cookie(*inhibition.screenSaverCookie));
      break;
    case Service::ScreenSaver:
      (void)bus_->call(screenSaver("UnInhibit"), cookie(inhibition.cookie));
      break;
    case Service::Portal:
      (void)bus_->call(
          {kPortal, inhibition.requestPath.c_str(), "org.freedesktop.portal.Request", "Close"});
      break;
  }
}

}  // namespace vigilix::platform
