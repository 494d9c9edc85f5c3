#include "testing/in_process_notification_bus.h"

#include <mutex>

namespace vigilix::testing {

struct InProcessNotificationBus::Log {
  mutable std::mutex mutex;
  std::vector<Posted> entries;
};

class InProcessNotificationBus::RecordingCenter final
    : public platform::DistributedNotificationCenter {
 public:
  RecordingCenter(std::shared_ptr<platform::DistributedNotificationBus> bus,
                  std::shared_ptr<Log> log)
      : inner_(std::move(bus)), log_(std::move(log)) {}

  void post(const std::string& name, const std::optional<std::string>& object) override {
    {
      std::lock_guard lock(log_->mutex);
      log_->entries.push_back({name, object});
    }
    inner_.post(name, object);
  }

  platform::ObserverHandle addObserver(const std::string& name, Handler handler) override {
    return inner_.addObserver(name, std::move(handler));
  }

 private:
  platform::BusNotificationCenter inner_;
  std::shared_ptr<Log> log_;
};

InProcessNotificationBus::InProcessNotificationBus()
    : bus_(std::make_shared<platform::DistributedNotificationBus>()),
      log_(std::make_shared<Log>()),
      center_(std::make_unique<RecordingCenter>(bus_, log_)) {
  platform::DistributedNotificationCenter::setCurrent(center_.get());
}

InProcessNotificationBus::~InProcessNotificationBus() {
  platform::DistributedNotificationCenter::setCurrent(nullptr);
}

std::unique_ptr<platform::DistributedNotificationCenter> InProcessNotificationBus::makeProcess() {
  return std::make_unique<RecordingCenter>(bus_, log_);
}

std::vector<InProcessNotificationBus::Posted> InProcessNotificationBus::posted() const {
  std::lock_guard lock(log_->mutex);
  return log_->entries;
}

std::vector<InProcessNotificationBus::Posted> InProcessNotificationBus::posted(
    const std::string& name) const {
  std::vector<Posted> matching;
  std::lock_guard lock(log_->mutex);
  for (const auto& entry : log_->entries) {
    if (entry.name == name) matching.push_back(entry);
  }
  return matching;
}

}  // namespace vigilix::testing
