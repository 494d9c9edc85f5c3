#include "platform/defaults/layered_user_defaults.h"

#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

namespace {

std::optional<PropertyValue> lookup(const PropertyDictionary& layer, const std::string& key) {
  auto found = layer.find(key);
  if (found == layer.end()) return std::nullopt;
  return found->second;
}

void applyChanges(PropertyDictionary& values, const DefaultsChanges& changes) {
  for (const auto& [key, value] : changes) {
    if (value) {
      values[key] = *value;
    } else {
      values.erase(key);
    }
  }
}

}  // namespace

LayeredUserDefaults::LayeredUserDefaults(std::string domain, std::unique_ptr<DefaultsStore> store)
    : domain_(std::move(domain)), store_(std::move(store)) {
  std::lock_guard lock(mutex_);
  readUserLocked();
  managed_ = store_->readManagedValues();
  anyUser_ = store_->readAnyUserValues();
}

std::optional<PropertyValue> LayeredUserDefaults::object(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return inForceLocked(key);
}

void LayeredUserDefaults::set(const std::string& key, PropertyValue value) {
  write(key, std::move(value));
}

void LayeredUserDefaults::remove(const std::string& key) { write(key, std::nullopt); }

void LayeredUserDefaults::write(const std::string& key, std::optional<PropertyValue> value) {
  {
    std::lock_guard lock(mutex_);
    const Observed before = observedLocked();
    if (value) {
      user_[key] = *value;
    } else {
      user_.erase(key);
    }
    pending_[key] = std::move(value);
    flushLocked();
    deliverLocked(changedLocked(before));
  }
  NotificationCenter::defaultCenter().post(kUserDefaultsDidChangeNotification,
                                           static_cast<const UserDefaults*>(this));
}

void LayeredUserDefaults::registerDefaults(const PropertyDictionary& defaults) {
  std::lock_guard lock(mutex_);
  const Observed before = observedLocked();
  for (const auto& [key, value] : defaults) registration_[key] = value;
  deliverLocked(changedLocked(before));
}

bool LayeredUserDefaults::synchronize() {
  std::lock_guard lock(mutex_);
  const Observed before = observedLocked();
  bool ok = flushLocked();
  ok = readUserLocked() && ok;
  managed_ = store_->readManagedValues();
  anyUser_ = store_->readAnyUserValues();
  deliverLocked(changedLocked(before));
  return ok;
}

void LayeredUserDefaults::reloadSystemLayers() {
  std::lock_guard lock(mutex_);
  const Observed before = observedLocked();
  managed_ = store_->readManagedValues();
  anyUser_ = store_->readAnyUserValues();
  deliverLocked(changedLocked(before));
}

bool LayeredUserDefaults::objectIsForced(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return managed_.contains(key);
}

std::optional<PropertyValue> LayeredUserDefaults::userValue(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return lookup(user_, key);
}

std::optional<PropertyValue> LayeredUserDefaults::anyUserValue(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return lookup(anyUser_, key);
}

ObserverHandle LayeredUserDefaults::observeKey(const std::string& key, KeyObserver handler) {
  auto entry = std::make_shared<KeyEntry>();
  entry->key = key;
  entry->handler = std::move(handler);
  return keyObservers_.add(std::move(entry));
}

std::optional<DefaultsError> LayeredUserDefaults::lastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

bool LayeredUserDefaults::hasPendingChanges() const {
  std::lock_guard lock(mutex_);
  return !pending_.empty();
}

std::optional<PropertyValue> LayeredUserDefaults::inForceLocked(const std::string& key) const {
  if (auto managed = lookup(managed_, key)) return managed;
  if (auto user = lookup(user_, key)) return user;
  return lookup(registration_, key);
}

LayeredUserDefaults::Observed LayeredUserDefaults::observedLocked() const {
  Observed observed;
  for (auto& entry : keyObservers_.snapshot()) {
    auto value = inForceLocked(entry->key);
    observed.emplace_back(std::move(entry), std::move(value));
  }
  return observed;
}

LayeredUserDefaults::Observed LayeredUserDefaults::changedLocked(const Observed& before) const {
  Observed changed;
  for (const auto& [entry, old] : before) {
    auto now = inForceLocked(entry->key);
    if (now != old) changed.emplace_back(entry, std::move(now));
  }
  return changed;
}

void LayeredUserDefaults::deliverLocked(Observed changes) {
  if (changes.empty()) return;
  auto& main = DispatchQueue::main();
  for (auto& [entry, value] : changes) {
    main.async([entry = std::move(entry), value = std::move(value)] {
      if (entry->alive) entry->handler(value);
    });
  }
}

bool LayeredUserDefaults::flushLocked() {
  if (pending_.empty()) return true;
  auto written = store_->writeUserValues(pending_);
  if (!written) {
    recordLocked(written.error());
    // Retrying a value the store can never hold would block every later write.
    if (written.error().kind == DefaultsError::Kind::Unstorable) pending_.clear();
    return false;
  }
  pending_.clear();
  return true;
}

bool LayeredUserDefaults::readUserLocked() {
  auto stored = store_->readUserValues();
  if (stored) {
    user_ = std::move(*stored);
    applyChanges(user_, pending_);
    return true;
  }
  recordLocked(stored.error());
  if (stored.error().kind == DefaultsError::Kind::Damaged) {
    user_.clear();
    applyChanges(user_, pending_);
  }
  return false;
}

void LayeredUserDefaults::recordLocked(const DefaultsError& error) { lastError_ = error; }

}  // namespace vigilix::platform
