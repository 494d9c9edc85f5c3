#include "testing/test_user_defaults.h"

#include <map>

#include "platform/defaults/shared_defaults.h"

namespace vigilix::testing {

using platform::DefaultsChanges;
using platform::DefaultsError;
using platform::PropertyDictionary;
using platform::PropertyValue;

class TestDefaultsStore final : public platform::DefaultsStore {
 public:
  explicit TestDefaultsStore(std::shared_ptr<TestDefaultsStorage> storage)
      : storage_(std::move(storage)) {}

  std::expected<PropertyDictionary, DefaultsError> readUserValues() override {
    std::lock_guard lock(storage_->mutex_);
    if (storage_->readFails_) {
      return std::unexpected(DefaultsError{DefaultsError::Kind::Unreadable, "memory",
                                           "injected read failure", std::nullopt});
    }
    return storage_->user_;
  }

  std::expected<void, DefaultsError> writeUserValues(const DefaultsChanges& changes) override {
    std::lock_guard lock(storage_->mutex_);
    if (storage_->readFails_ || storage_->writeFails_) {
      return std::unexpected(DefaultsError{DefaultsError::Kind::WriteFailed, "memory",
                                           "injected write failure", std::nullopt});
    }
    for (const auto& [key, value] : changes) {
      if (value) {
        storage_->user_[key] = *value;
      } else {
        storage_->user_.erase(key);
      }
    }
    return {};
  }

  PropertyDictionary readManagedValues() override {
    std::lock_guard lock(storage_->mutex_);
    return storage_->managed_;
  }

  PropertyDictionary readAnyUserValues() override {
    std::lock_guard lock(storage_->mutex_);
    return storage_->anyUser_;
  }

 private:
  std::shared_ptr<TestDefaultsStorage> storage_;
};

PropertyDictionary TestDefaultsStorage::userValues() const {
  std::lock_guard lock(mutex_);
  return user_;
}

PropertyDictionary TestDefaultsStorage::managedValues() const {
  std::lock_guard lock(mutex_);
  return managed_;
}

PropertyDictionary TestDefaultsStorage::anyUserValues() const {
  std::lock_guard lock(mutex_);
  return anyUser_;
}

void TestDefaultsStorage::setManaged(const std::string& key, PropertyValue value) {
  std::lock_guard lock(mutex_);
  managed_[key] = std::move(value);
}

void TestDefaultsStorage::removeManaged(const std::string& key) {
  std::lock_guard lock(mutex_);
  managed_.erase(key);
}

void TestDefaultsStorage::setAnyUser(const std::string& key, PropertyValue value) {
  std::lock_guard lock(mutex_);
  anyUser_[key] = std::move(value);
}

void TestDefaultsStorage::removeAnyUser(const std::string& key) {
  std::lock_guard lock(mutex_);
  anyUser_.erase(key);
}

void TestDefaultsStorage::setUserValue(const std::string& key, PropertyValue value) {
  std::lock_guard lock(mutex_);
  user_[key] = std::move(value);
}

void TestDefaultsStorage::setReadFails(bool fails) {
  std::lock_guard lock(mutex_);
  readFails_ = fails;
}

void TestDefaultsStorage::setWriteFails(bool fails) {
  std::lock_guard lock(mutex_);
  writeFails_ = fails;
}

TestUserDefaults::TestUserDefaults(std::string domain, std::shared_ptr<TestDefaultsStorage> storage)
    : LayeredUserDefaults(std::move(domain), std::make_unique<TestDefaultsStore>(storage)),
      storage_(std::move(storage)) {}

void TestUserDefaults::setForced(const std::string& key, PropertyValue value) {
  storage_->setManaged(key, std::move(value));
  reloadSystemLayers();
}

void TestUserDefaults::removeForced(const std::string& key) {
  storage_->removeManaged(key);
  reloadSystemLayers();
}

void TestUserDefaults::setAnyUserValue(const std::string& key, PropertyValue value) {
  storage_->setAnyUser(key, std::move(value));
  reloadSystemLayers();
}

void TestUserDefaults::removeAnyUserValue(const std::string& key) {
  storage_->removeAnyUser(key);
  reloadSystemLayers();
}

struct TestDefaultsEnvironment::State {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<TestDefaultsStorage>> storages;
  std::set<std::string> unavailable;

  std::shared_ptr<TestDefaultsStorage> storage(const std::string& domain) {
    std::lock_guard lock(mutex);
    auto& slot = storages[domain];
    if (!slot) slot = std::make_shared<TestDefaultsStorage>();
    return slot;
  }

  bool isUnavailable(const std::string& name) {
    std::lock_guard lock(mutex);
    return unavailable.contains(name);
  }
};

TestDefaultsEnvironment::TestDefaultsEnvironment() : state_(std::make_shared<State>()) {
  platform::shared_defaults::reset();
  platform::shared_defaults::setFactory(
      [weak = std::weak_ptr<State>(state_)](
          const std::string& domain, bool isSuite) -> std::shared_ptr<platform::UserDefaults> {
        auto state = weak.lock();
        if (!state) return std::make_shared<TestUserDefaults>(domain);
        if (isSuite && state->isUnavailable(domain)) return nullptr;
        return std::make_shared<TestUserDefaults>(domain, state->storage(domain));
      });
}

TestDefaultsEnvironment::~TestDefaultsEnvironment() {
  platform::shared_defaults::setFactory({});
  platform::shared_defaults::reset();
}

TestUserDefaults& TestDefaultsEnvironment::standard() {
  return static_cast<TestUserDefaults&>(platform::UserDefaults::standard());
}

std::shared_ptr<TestUserDefaults> TestDefaultsEnvironment::suite(const std::string& name) {
  return std::static_pointer_cast<TestUserDefaults>(platform::UserDefaults::suite(name));
}

std::shared_ptr<TestUserDefaults> TestDefaultsEnvironment::makeInstance(const std::string& domain) {
  return std::make_shared<TestUserDefaults>(domain, state_->storage(domain));
}

void TestDefaultsEnvironment::setSuiteUnavailable(const std::string& name, bool unavailable) {
  std::lock_guard lock(state_->mutex);
  if (unavailable) {
    state_->unavailable.insert(name);
  } else {
    state_->unavailable.erase(name);
  }
}

}  // namespace vigilix::testing
