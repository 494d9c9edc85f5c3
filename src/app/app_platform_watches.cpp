#include "app/app_platform_watches.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/base/logger.h"
#include "platform/runloop/descriptor_sources.h"

namespace vigilix {

namespace {

const platform::Logger& watchLog() {
  static const platform::Logger log{"Application"};
  return log;
}

}  // namespace

AppPlatformWatches AppPlatformWatches::start(platform::AsyncBusConnection* sessionBus) {
  AppPlatformWatches watches;
  watches.clock = platform::ClockChangeMonitor::start(platform::DescriptorSources::main());
  if (auto system = platform::AsyncBusConnection::shared(platform::BusKind::System)) {
    if (auto lid = platform::watchLid(*system)) {
      watches.lid = std::move(*lid);
    } else {
      watchLog().error("The lid cannot be followed: {}", lid.error().description());
    }
    const char* sessionId = std::getenv("XDG_SESSION_ID");
    watches.session = platform::LogindSessionActivity::start(
        *system, {.sessionId = sessionId ? std::optional<std::string>(sessionId) : std::nullopt,
                  .pid = static_cast<unsigned>(::getpid())});
  } else {
    watchLog().error("No system bus: the lid and switching users are not seen: {}",
                     system.error().description());
  }
  if (sessionBus) {
    if (auto screenSaver = platform::watchScreenSaver(*sessionBus)) {
      watches.screenSaver = std::move(*screenSaver);
    } else {
      watchLog().error("The screens' sleep cannot be followed: {}",
                       screenSaver.error().description());
    }
  }
  return watches;
}

}  // namespace vigilix
