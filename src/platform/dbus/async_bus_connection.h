#pragma once

#include <cstdint>
#include <expected>
#include <functional>
#include <memory>
#include <string>

#include "platform/dbus/bus_connection.h"
#include "platform/dbus/bus_error.h"
#include "platform/dbus/bus_opening.h"
#include "platform/dbus/bus_slot.h"
#include "platform/runloop/descriptor_sources.h"

struct sd_bus;
struct sd_bus_message;
struct sd_bus_vtable;

namespace vigilix::platform {

// A bus connection served by the live main loop: before every poll it
// processes what sd-bus has read, and it waits for what sd-bus asks (input,
// output, the next call timeout). Nothing here waits for the bus: calls answer
// through a handler. Main thread only, every call and every handler. When the
// bus goes away pending calls are answered with an error, the loop stops
// watching and the log says so.
class AsyncBusConnection {
 public:
  static std::expected<std::unique_ptr<AsyncBusConnection>, BusError> open(BusKind kind);
  // The process's own connection to the bus, shared by the live services:
  // opened on first use, and again once it was lost. Any thread may ask (the
  // first `DistributedNotificationCenter::current()` may come from any); the
  // connection itself keeps the main-thread rule.
  static std::expected<std::shared_ptr<AsyncBusConnection>, BusError> shared(BusKind kind);

  ~AsyncBusConnection();
  AsyncBusConnection(const AsyncBusConnection&) = delete;
  AsyncBusConnection& operator=(const AsyncBusConnection&) = delete;

  BusKind kind() const { return kind_; }
  bool isConnected() const;

  // `onReply` runs once with the reply or the error; a timeout of 0 is
  // sd-bus's default (25 s). Fails at once only when the call cannot be made.
  [[nodiscard]] std::expected<BusSlot, BusError> callAsync(const MethodAddress& method,
                                                           const BusWrite& write,
                                                           BusReplyHandler onReply,
                                                           std::uint64_t timeoutMicroseconds = 0);

  // Sends `rule` (see signalMatchRule) to the bus without waiting; `onSignal`
  // runs for each matching signal. `onInstalled`, when given, runs once the
  // bus has answered: signals sent by others after that reach `onSignal`.
  [[nodiscard]] std::expected<BusSlot, BusError> addMatch(const std::string& rule,
                                                          BusMessageHandler onSignal,
                                                          BusReplyHandler onInstalled = {});

  // Queues a signal for every receiver that matches it (no destination).
  std::expected<void, BusError> emitSignal(const SignalAddress& signal, const BusWrite& write = {});

  // Serves `interface` at `path` through an sd-bus vtable whose handlers get
  // `userdata`, which must outlive the slot: for test peers that speak sd-bus
  // themselves (the code's own objects use exportInterface).
  [[nodiscard]] std::expected<BusSlot, BusError> addObject(const std::string& path,
                                                           const std::string& interface,
                                                           const sd_bus_vtable* vtable,
                                                           void* userdata);

  // Asks for a well-known name (sd-bus's SD_BUS_NAME_* flags); `onReply` gets
  // the bus's answer (an error when the name is taken and queueing was not asked).
  [[nodiscard]] std::expected<BusSlot, BusError> requestName(const std::string& name,
                                                             std::uint64_t flags,
                                                             BusReplyHandler onReply);

  // Runs once on the main queue when the connection is found lost (the bus
  // daemon went, as at logout), or soon when it was lost already; replaces
  // an earlier one.
  void setOnLost(std::function<void()> onLost);

  // For the layer's own sd-bus calls and test peers; same thread rule.
  sd_bus* bus() const { return bus_.get(); }

 private:
  AsyncBusConnection(BusKind kind, BusHandle bus);

  DescriptorInterest prepare();
  void processAll();

  BusKind kind_;
  BusHandle bus_;
  bool lostReported_ = false;
  std::function<void()> onLost_;
  SourceHandle source_;
};

}  // namespace vigilix::platform
