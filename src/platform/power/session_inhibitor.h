#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>

#include "platform/dbus/bus_connection.h"

namespace vigilix::platform {

// What one desktop session inhibition holds, to give back on release.
struct SessionInhibition {
  enum class Service { GnomeSession, PowerManagement, ScreenSaver, Portal };
  Service service = Service::GnomeSession;
  std::uint32_t cookie = 0;
  // The screen saver's own cookie beside a power-management one.
  std::optional<std::uint32_t> screenSaverCookie;
  // The portal's request object.
  std::string requestPath;
  bool operator==(const SessionInhibition&) const = default;
};

// Why no inhibition was taken: no desktop service to ask (no session bus, or
// none of the services below has an owner), or the one asked refused.
enum class SessionInhibitFailure { noService, refused };

// Holds off the desktop's own idle handling (dimming, screen off, idle
// suspend), which logind's locks do not reach on every desktop.
class SessionInhibitor {
 public:
  virtual ~SessionInhibitor() = default;
  // `display`: the screen stays on too. A refusal is logged, a missing service not.
  virtual std::expected<SessionInhibition, SessionInhibitFailure> inhibit(
      bool display, const std::string& reason) = 0;
  virtual void uninhibit(const SessionInhibition& inhibition) = 0;
};

// On the session bus, through the first service that has an owner:
// org.gnome.SessionManager, else org.freedesktop.PowerManagement (with
// org.freedesktop.ScreenSaver for the screen) or the screen saver alone,
// else the desktop portal. Blocking calls on one connection of its own, which
// the inhibitions are tied to: use from one thread at a time, never the main
// thread. A lost session bus is opened again at the next inhibit.
class DesktopSessionInhibitor final : public SessionInhibitor {
 public:
  std::expected<SessionInhibition, SessionInhibitFailure> inhibit(
      bool display, const std::string& reason) override;
  void uninhibit(const SessionInhibition& inhibition) override;

 private:
  bool connected();
  bool hasOwner(const char* name);
  std::optional<std::uint32_t> callForCookie(const MethodAddress& method, const BusWrite& write);

  std::optional<BusConnection> bus_;
  bool absentLogged_ = false;
};

}  // namespace vigilix::platform
