#include "platform/x11/x11_hot_key_service.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <optional>
#include <utility>

#include "platform/base/logger.h"
#include "platform/x11/x11_connection_loss.h"

namespace vigilix::platform {

namespace {

const Logger& hotKeyLog() {
  static const Logger log{"GlobalShortcut"};
  return log;
}

// Xlib reports protocol errors to one process-wide handler, by default one
// that ends the process. The service's requests are checked at once with
// XSync, and only while a check runs is the handler ours; errors of other
// connections go on to the handler that was there before.
struct ErrorTrap {
  Display* display;
  int error = Success;
};
ErrorTrap* activeTrap = nullptr;
XErrorHandler outerHandler = nullptr;

int trapError(Display* display, XErrorEvent* event) {
  if (activeTrap != nullptr && activeTrap->display == display) {
    if (activeTrap->error == Success) activeTrap->error = event->error_code;
    return 0;
  }
  return outerHandler != nullptr ? outerHandler(display, event) : 0;
}

// The first error the requests made by `requests` caused, else Success.
template <typename Requests>
int checked(Display* display, Requests requests) {
  ErrorTrap trap{display};
  ErrorTrap* const enclosing = std::exchange(activeTrap, &trap);
  const XErrorHandler before = XSetErrorHandler(trapError);
  if (before != trapError) outerHandler = before;
  requests();
  XSync(display, False);
  XSetErrorHandler(before);
  activeTrap = enclosing;
  return trap.error;
}

// An event's state also holds the mouse buttons and the keyboard group (the
// layout in use), which the grab does not look at.
constexpr unsigned kModifierBits =
    ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask | Mod4Mask | Mod5Mask;

}  // namespace

std::expected<std::unique_ptr<X11HotKeyService>, std::string> X11HotKeyService::open(
    const std::string& displayName, DescriptorSources& sources) {
  Display* display = XOpenDisplay(displayName.c_str());
  if (display == nullptr) return std::unexpected("cannot connect to X display " + displayName);
  // A held key then repeats as presses alone, without a release between.
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(display, True, &detectable);
  if (!detectable) {
    hotKeyLog().info("X display {} cannot tell repeats apart; a held shortcut may repeat.",
                     displayName);
  }
  return std::unique_ptr<X11HotKeyService>(new X11HotKeyService(display, sources));
}

X11HotKeyService::X11HotKeyService(_XDisplay* display, DescriptorSources& sources)
    : display_(display) {
  surviveConnectionLoss(display_, &X11HotKeyService::displayLost, this);
  source_ = sources.add([this] { return prepare(); }, [this](short) { handlePendingEvents(); });
}

X11HotKeyService::~X11HotKeyService() {
  source_.reset();
  if (!lost_) {
    for (const auto& [ref, grab] : grabs_) ungrab(grab);
  }
  XCloseDisplay(display_);
  forgetConnection(display_);
}

void X11HotKeyService::displayLost(_XDisplay*, void* service) {
  // Inside Xlib: only note it; Xlib must not be called on this display again.
  static_cast<X11HotKeyService*>(service)->lost_ = true;
  hotKeyLog().error("The X display connection was lost; the global shortcut no longer works.");
}

ModifierMasks X11HotKeyService::modifierMasks() const {
  XModifierKeymap* map = XGetModifierMapping(display_);
  if (map == nullptr) return {};
  auto maskOf = [&](KeySym keysym) -> unsigned {
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    if (code == 0) return 0;
    for (int modifier = Mod1MapIndex; modifier <= Mod5MapIndex; ++modifier) {
      for (int i = 0; i < map->max_keypermod; ++i) {
        if (map->modifiermap[modifier * map->max_keypermod + i] == code) return 1u << modifier;
      }
    }
    return 0;
  };
  ModifierMasks masks;
  masks.alt = maskOf(XK_Alt_L);
  if (masks.alt == 0) masks.alt = maskOf(XK_Meta_L);
  masks.super = maskOf(XK_Super_L);
  masks.numLock = maskOf(XK_Num_Lock);
  XFreeModifiermap(map);
  return masks;
}

std::expected<EventHotKeyRef, OSStatus> X11HotKeyService::registerEventHotKey(
    std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID identity) {
  if (lost_ || keyCode > 0xFFFF) return std::unexpected(kEventHotKeyInvalidErr);
  const auto keysym = keysymForKeyCode(static_cast<std::uint16_t>(keyCode));
  const KeyCode code = keysym ? XKeysymToKeycode(display_, *keysym) : 0;
  if (code == 0) return std::unexpected(kEventHotKeyInvalidErr);
  const ModifierMasks masks = modifierMasks();
  const auto xModifiers = xModifiersFor(modifiers, masks);
  if (!xModifiers) return std::unexpected(kEventHotKeyInvalidErr);

  auto ref = InProcessHotKeyService::registerEventHotKey(keyCode, modifiers, identity);
  if (!ref) return ref;
  Grab wanted{.keycode = code,
              .modifiers = *xModifiers,
              .variants = lockVariants(*xModifiers, masks),
              .locks = LockMask | masks.numLock,
              .hotKeyCode = keyCode,
              .hotKeyModifiers = modifiers};
  if (const int error = grab(wanted); error != Success) {
    InProcessHotKeyService::unregisterEventHotKey(*ref);
    return std::unexpected(error == BadAccess ? kEventHotKeyExistsErr : kEventHotKeyInvalidErr);
  }
  grabs_.emplace(*ref, std::move(wanted));
  return ref;
}

OSStatus X11HotKeyService::unregisterEventHotKey(EventHotKeyRef ref) {
  const OSStatus status = InProcessHotKeyService::unregisterEventHotKey(ref);
  if (status != kNoErr) return status;
  if (auto it = grabs_.find(ref); it != grabs_.end()) {
    if (!lost_) ungrab(it->second);
    grabs_.erase(it);
  }
  return kNoErr;
}

int X11HotKeyService::grab(const Grab& wanted) {
  const Window root = DefaultRootWindow(display_);
  const int error = checked(display_, [&] {
    for (unsigned state : wanted.variants) {
      XGrabKey(display_, wanted.keycode, state, root, False, GrabModeAsync, GrabModeAsync);
    }
  });
  // Some variants may have been granted before one was refused.
  if (error != Success && !lost_) ungrab(wanted);
  return error;
}

void X11HotKeyService::ungrab(const Grab& held) {
  const Window root = DefaultRootWindow(display_);
  // Releasing only ever touches this client's own grabs.
  checked(display_, [&] {
    for (unsigned state : held.variants) XUngrabKey(display_, held.keycode, state, root);
  });
}

DescriptorInterest X11HotKeyService::prepare() {
  // Xlib may already hold events read with a reply, where poll cannot see them.
  handlePendingEvents();
  if (lost_) return {};
  return {ConnectionNumber(display_), POLLIN, std::nullopt};
}

void X11HotKeyService::handlePendingEvents() {
  while (!lost_ && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      continue;
    }
    if (event.type != KeyPress && event.type != KeyRelease) continue;
    const XKeyEvent& key = event.xkey;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> pressed;
    for (auto& [ref, held] : grabs_) {
      if (held.keycode != static_cast<int>(key.keycode)) continue;
      if (event.type == KeyRelease) {
        // The modifiers may have been let go first: the key alone ends the press.
        held.down = false;
      } else if ((key.state & kModifierBits & ~held.locks) == held.modifiers && !held.down) {
        held.down = true;
        pressed.emplace(held.hotKeyCode, held.hotKeyModifiers);
      }
    }
    // Outside the walk over the grabs: a handler may unregister.
    if (pressed) deliverPress(pressed->first, pressed->second);
  }
}

}  // namespace vigilix::platform
