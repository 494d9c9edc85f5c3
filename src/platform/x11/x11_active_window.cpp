#include "platform/x11/x11_active_window.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/base/logger.h"

namespace vigilix::platform {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeReply>;

std::uint32_t internAtom(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  const ReplyPointer<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(connection, cookie, nullptr));
  return reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
}

// The property's value when it holds `type` in `format`-bit items; an error
// (a window gone meanwhile) or another type is none.
ReplyPointer<xcb_get_property_reply_t> propertyOf(xcb_connection_t* connection,
                                                  std::uint32_t window, std::uint32_t property,
                                                  std::uint32_t type, std::uint8_t format,
                                                  std::uint32_t longs) {
  const auto cookie = xcb_get_property(connection, 0, window, property, type, 0, longs);
  xcb_generic_error_t* error = nullptr;
  ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, &error));
  std::free(error);
  if (!reply || reply->type != type || reply->format != format ||
      xcb_get_property_value_length(reply.get()) <= 0) {
    return nullptr;
  }
  return reply;
}

std::optional<std::uint32_t> firstCardinal(const xcb_get_property_reply_t& reply) {
  if (xcb_get_property_value_length(&reply) < 4) return std::nullopt;
  std::uint32_t value = 0;
  std::memcpy(&value, xcb_get_property_value(&reply), sizeof value);
  return value;
}

}  // namespace

std::expected<std::unique_ptr<X11ActiveWindow>, std::string> X11ActiveWindow::open(
    const std::string& displayName) {
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(displayName.c_str(), &screenNumber);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return std::unexpected("cannot connect to X display " + displayName);
  }
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) {
    xcb_disconnect(connection);
    return std::unexpected("X display " + displayName + " has no such screen");
  }
  const Atoms atoms{.activeWindow = internAtom(connection, "_NET_ACTIVE_WINDOW"),
                    .processIdentifier = internAtom(connection, "_NET_WM_PID"),
                    .clientMachine = internAtom(connection, "WM_CLIENT_MACHINE")};
  return std::unique_ptr<X11ActiveWindow>(
      new X11ActiveWindow(connection, screens.data->root, atoms));
}

X11ActiveWindow::X11ActiveWindow(xcb_connection_t* connection, std::uint32_t root, Atoms atoms)
    : connection_(connection), root_(root), atoms_(atoms) {
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) hostName_ = host;
}

X11ActiveWindow::~X11ActiveWindow() { xcb_disconnect(connection_); }

bool X11ActiveWindow::isLocal(std::uint32_t window) const {
  const auto machine =
      propertyOf(connection_, window, atoms_.clientMachine, XCB_ATOM_STRING, 8, 64);
  if (!machine) return true;  // most clients that set a process say no host
  const std::string_view name(
      static_cast<const char*>(xcb_get_property_value(machine.get())),
      static_cast<std::size_t>(xcb_get_property_value_length(machine.get())));
  return name.substr(0, name.find('\0')) == hostName_;
}

std::optional<std::int32_t> X11ActiveWindow::processIdentifier() {
  if (xcb_connection_has_error(connection_)) {
    if (!lostReported_) {
      lostReported_ = true;
      static const Logger log{"FrontmostApplication"};
      log.error("The X display connection was lost; no application reads as frontmost.");
    }
    return std::nullopt;
  }
  const auto active = propertyOf(connection_, root_, atoms_.activeWindow, XCB_ATOM_WINDOW, 32, 1);
  const std::optional<std::uint32_t> window = active ? firstCardinal(*active) : std::nullopt;
  if (!window || *window == XCB_WINDOW_NONE) return std::nullopt;
  const auto pid =
      propertyOf(connection_, *window, atoms_.processIdentifier, XCB_ATOM_CARDINAL, 32, 1);
  const std::optional<std::uint32_t> value = pid ? firstCardinal(*pid) : std::nullopt;
  if (!value || *value == 0 || *value > INT32_MAX || !isLocal(*window)) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

}  // namespace vigilix::platform
