#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/defaults/defaults_store.h"
#include "platform/defaults/user_defaults.h"
#include "platform/base/observer_registry.h"

namespace vigilix::platform {

// The layer rules of user defaults over any store: managed values win over
// the user's, which win over the registration domain. Every write goes to
// the store at once; `synchronize` writes what is still pending and re-reads
// all layers. Thread-safe.
class LayeredUserDefaults : public UserDefaults {
 public:
  LayeredUserDefaults(std::string domain, std::unique_ptr<DefaultsStore> store);

  const std::string& domain() const override { return domain_; }
  std::optional<PropertyValue> object(const std::string& key) const override;
  void set(const std::string& key, PropertyValue value) override;
  void remove(const std::string& key) override;
  void registerDefaults(const PropertyDictionary& defaults) override;
  bool synchronize() override;
  bool objectIsForced(const std::string& key) const override;
  std::optional<PropertyValue> userValue(const std::string& key) const override;
  std::optional<PropertyValue> anyUserValue(const std::string& key) const override;
  [[nodiscard]] ObserverHandle observeKey(const std::string& key, KeyObserver handler) override;

  // The last failure of the store, kept until the next one.
  std::optional<DefaultsError> lastError() const;
  // True while changes could not be written yet.
  bool hasPendingChanges() const;

 protected:
  DefaultsStore& store() { return *store_; }
  // Re-reads the managed and any-user layers now.
  void reloadSystemLayers();

 private:
  struct KeyEntry {
    std::string key;
    KeyObserver handler;
    std::atomic<bool> alive{true};
  };
  using Observed = std::vector<std::pair<std::shared_ptr<KeyEntry>, std::optional<PropertyValue>>>;

  std::optional<PropertyValue> inForceLocked(const std::string& key) const;
  Observed observedLocked() const;
  Observed changedLocked(const Observed& before) const;
  // Queued while the lock is held, so that observers are told the changes
  // in the order they were made and the last value they see is in force.
  static void deliverLocked(Observed changes);
  void write(const std::string& key, std::optional<PropertyValue> value);
  bool flushLocked();
  bool readUserLocked();
  void recordLocked(const DefaultsError& error);

  const std::string domain_;
  std::unique_ptr<DefaultsStore> store_;
  detail::ObserverRegistry<KeyEntry> keyObservers_;

  mutable std::mutex mutex_;
  PropertyDictionary registration_;
  PropertyDictionary user_;
  PropertyDictionary managed_;
  PropertyDictionary anyUser_;
  DefaultsChanges pending_;
  std::optional<DefaultsError> lastError_;
};

}  // namespace vigilix::platform
