#include "platform/power/lid_watcher.h"

#include "platform/base/logger.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("Lid");
  return logger;
}

BoolProperty upowerProperty(const char* name) {
  return {"org.freedesktop.UPower", "/org/freedesktop/UPower", "org.freedesktop.UPower", name};
}

}  // namespace

LidReading lidReading(std::optional<bool> present, std::optional<bool> closed) {
  if (!present) return {};
  if (!*present) return {LidPresence::noLid, std::nullopt};
  return {LidPresence::hasLid, closed};
}

UPowerLidWatcher::UPowerLidWatcher(std::shared_ptr<AsyncBusConnection> systemBus) {
  auto follow = [this, &systemBus](const char* name, std::optional<bool>& into) {
    auto watch = BoolPropertyWatch::start(systemBus, upowerProperty(name),
                                          [this, &into](std::optional<bool> value) {
                                            into = value;
                                            update();
                                          });
    if (!watch) {
      log().error("UPower's {} cannot be followed: {}", name, watch.error().description());
      return std::unique_ptr<BoolPropertyWatch>();
    }
    return std::move(*watch);
  };
  presentWatch_ = follow("LidIsPresent", present_);
  closedWatch_ = follow("LidIsClosed", closed_);
}

void UPowerLidWatcher::update() {
  const LidReading next = lidReading(present_, closed_);
  if (next == reading_) return;
  reading_ = next;
  if (onChange_) onChange_();
}

}  // namespace vigilix::platform
