#include "triggers/watch.h"

#include "platform/system/process_liveness.h"

namespace vigilix {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

}  // namespace

std::string Watch::label() const {
  return std::visit(Overloaded{[](const WatchKind::File& file) { return file.displayName; },
                               [](const WatchKind::App& app) { return app.displayName; },
                               [](const WatchKind::Process& process) { return process.label; }},
                    kind.payload());
}

TriggerReason Watch::triggerReason() const {
  return std::visit(
      Overloaded{
          [](const WatchKind::File& file) { return TriggerReason::watchedFile(file.displayName); },
          [](const WatchKind::App& app) { return TriggerReason::watchedApp(app.bundleIdentifier); },
          [](const WatchKind::Process& process) {
            return TriggerReason::watchedApp(process.label);
          }},
      kind.payload());
}

bool Watch::isProcessAlive(std::int32_t processIdentifier) {
  return platform::isProcessAlive(processIdentifier);
}

}  // namespace vigilix
