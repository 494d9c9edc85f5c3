#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/dbus/async_bus_connection.h"
#include "platform/dbus/bool_property_watch.h"

namespace vigilix::platform {

enum class LidPresence { hasLid, noLid, unknown };

// The lid as last reported: `closed` is none unless there is a lid whose
// state is known.
struct LidReading {
  LidPresence presence = LidPresence::unknown;
  std::optional<bool> closed;

  bool operator==(const LidReading&) const = default;
};

// Follows the lid and tells its owner of each change of the reading.
// Main thread only.
class VGXLidWatcher {
 public:
  using Handler = std::function<void()>;
  virtual ~VGXLidWatcher() = default;
  virtual LidReading reading() const = 0;
  // Replaces the handler; it runs after each change of `reading()`.
  virtual void setOnChange(Handler onChange) = 0;
};

// UPower's "LidIsPresent" and "LidIsClosed" on the system bus: without UPower
// (or with a value it cannot give) the lid is unknown. Each PropertiesChanged
// and each new owner of UPower's name are read again.
class UPowerLidWatcher final : public VGXLidWatcher {
 public:
  // Starts both watches; a bus that cannot take them leaves the lid unknown
  // and is logged.
  explicit UPowerLidWatcher(std::shared_ptr<AsyncBusConnection> systemBus);
  LidReading reading() const override { return reading_; }
  void setOnChange(Handler onChange) override { onChange_ = std::move(onChange); }

 private:
  void update();

  std::optional<bool> present_;
  std::optional<bool> closed_;
  LidReading reading_;
  Handler onChange_;
  std::unique_ptr<BoolPropertyWatch> presentWatch_;
  std::unique_ptr<BoolPropertyWatch> closedWatch_;
};

// The reading two property values give.
LidReading lidReading(std::optional<bool> present, std::optional<bool> closed);

}  // namespace vigilix::platform
