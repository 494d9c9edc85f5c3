#include "platform/notifications/dbus_notification_center.h"

#include <atomic>
#include <utility>

#include "platform/base/logger.h"
#include "platform/notifications/distributed_notification_bus.h"
#include "platform/notifications/posted_signal.h"
#include "platform/runloop/live_run_loop.h"

namespace vigilix::platform {

namespace {

const Logger& centerLog() {
  static const Logger log("notifications");
  return log;
}

// The connection is the main loop's: bus work from other threads goes there.
void onMainThread(Task task) {
  LivePlatform& live = LivePlatform::shared();
  if (live.isMainThread()) {
    task();
  } else {
    live.mainQueue().async(std::move(task));
  }
}

}  // namespace

struct DBusNotificationCenter::Entry {
  std::string name;
  Handler handler;
  std::atomic<bool> alive{true};
  BusSlot match;  // main thread only
};

class DBusNotificationCenter::Token final : public ObserverToken {
 public:
  explicit Token(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}
  ~Token() override {
    entry_->alive = false;
    onMainThread([entry = std::move(entry_)] { entry->match = BusSlot(); });
  }

 private:
  std::shared_ptr<Entry> entry_;
};

DBusNotificationCenter::DBusNotificationCenter(std::shared_ptr<AsyncBusConnection> connection)
    : connection_(std::move(connection)) {}

DBusNotificationCenter::~DBusNotificationCenter() = default;

void DBusNotificationCenter::post(const std::string& name,
                                  const std::optional<std::string>& object) {
  onMainThread([connection = connection_, posted = PostedNotification{name, object}] {
    const auto sent =
        connection->emitSignal({kDistributedCenterPath, kDistributedCenterInterface, kPostedMember},
                               [&](BusArgumentWriter& out) { writePosted(out, posted); });
    if (!sent) {
      centerLog().error("Could not post {} on the session bus: {}", posted.name,
                        sent.error().description());
    }
  });
}

ObserverHandle DBusNotificationCenter::addObserver(const std::string& name, Handler handler) {
  auto entry = std::make_shared<Entry>();
  entry->name = name;
  entry->handler = std::move(handler);
  onMainThread([connection = connection_, entry] {
    if (!entry->alive) return;
    // Weakly: the entry owns the match, and so this handler.
    auto onSignal = [weak = std::weak_ptr<Entry>(entry)](BusArgumentReader& signal) {
      auto posted = readPosted(signal);
      auto observer = weak.lock();
      if (!posted || !observer) return;
      // The rule may be wider than the name (see postedMatchRule).
      if (!observer->name.empty() && observer->name != posted->name) return;
      // Later, not inside sd-bus's dispatch: a handler may run a nested loop.
      LivePlatform::shared().mainQueue().async([observer, posted = std::move(*posted)] {
        if (observer->alive) observer->handler(posted.name, posted.object);
      });
    };
    auto match = connection->addMatch(postedMatchRule(entry->name), std::move(onSignal));
    if (!match) {
      centerLog().error("Could not observe {} on the session bus: {}", entry->name,
                        match.error().description());
      return;
    }
    entry->match = std::move(*match);
  });
  return std::make_unique<Token>(std::move(entry));
}

std::unique_ptr<DistributedNotificationCenter> makeLiveDistributedCenter() {
  auto connection = AsyncBusConnection::shared(BusKind::Session);
  if (connection) return std::make_unique<DBusNotificationCenter>(std::move(*connection));
  centerLog().log("No session bus ({}): system-wide notifications stay inside this process",
                  connection.error().description());
  return std::make_unique<BusNotificationCenter>(DistributedNotificationBus::processWide());
}

}  // namespace vigilix::platform
