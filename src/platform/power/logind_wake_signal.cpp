#include "platform/power/logind_wake_signal.h"

#include <utility>

#include "platform/buswire/match_rule.h"

namespace vigilix::platform {

std::unique_ptr<LogindWakeSignal> LogindWakeSignal::open() {
  // sd-bus's own call timeout for adding the match, as for every other wait.
  auto bus = BusConnection::openSystem(0);
  if (!bus) return nullptr;
  std::unique_ptr<LogindWakeSignal> signal(new LogindWakeSignal(std::move(*bus)));
  // No sender in the match: sd-bus matches a well-known name only against
  // the sender's unique name, so a match naming logind would never fire. A
  // wake that did not happen costs only a re-check.
  auto match =
      signal->bus_.addMatch(*signalMatchRule({.sender = {},
                                              .path = "/org/freedesktop/login1",
                                              .interface = "org.freedesktop.login1.Manager",
                                              .member = "PrepareForSleep",
                                              .arg0 = {}}),
                            [self = signal.get()](BusArgumentReader& prepare) {
                              const bool sleeping = prepare.boolean();
                              if (prepare && !sleeping) ++self->wakes_;
                            });
  if (!match) return nullptr;
  signal->match_ = std::move(*match);
  // The call that added the match may have read other messages too; while
  // any wait unprocessed, sd-bus asks for no poll event at all.
  if (signal->takeWakes() < 0) return nullptr;
  return signal;
}

int LogindWakeSignal::takeWakes() {
  if (!bus_.processPending()) return -1;
  return std::exchange(wakes_, 0);
}

}  // namespace vigilix::platform
