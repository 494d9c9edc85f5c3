#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/product.h"
#include "platform/base/property_value.h"
#include "platform/notifications/notification_center.h"

namespace vigilix::platform {

inline constexpr const char* kStandardDomain = kProductIdentifier;
inline constexpr const char* kAppGroupSuite = "K9WQ2T7LMB.run.tarvo.vigilix";
inline constexpr const char* kUserDefaultsDidChangeNotification =
    "NSUserDefaultsDidChangeNotification";

// The one Boolean reading of a stored value, for every Boolean getter: a
// Bool is itself; a number is true unless it is 0 (a real that is not
// finite reads as none); no value and every other kind read as none.
std::optional<bool> booleanOf(const std::optional<PropertyValue>& value);

// User defaults of one domain (NSUserDefaults). Lookup order: managed
// (forced) value, then the user's value, then the registration domain.
// Safe to use from any thread.
class UserDefaults {
 public:
  virtual ~UserDefaults() = default;

  virtual const std::string& domain() const = 0;

  // The value in force, or none.
  virtual std::optional<PropertyValue> object(const std::string& key) const = 0;
  // Typed getters answer none when the value in force has another kind
  // (an integer is read as a real, and a Bool never as a number).
  // Booleans read as `booleanOf` says.
  std::optional<bool> boolValue(const std::string& key) const;
  std::optional<std::int64_t> integerValue(const std::string& key) const;
  std::optional<double> doubleValue(const std::string& key) const;
  std::optional<std::string> stringValue(const std::string& key) const;
  std::optional<Bytes> dataValue(const std::string& key) const;
  std::optional<PropertyArray> arrayValue(const std::string& key) const;
  std::optional<PropertyDictionary> dictionaryValue(const std::string& key) const;

  // Writes the user's value and posts the did-change notification
  // synchronously on the writing thread. A forced key still stores the
  // user's value, which stays hidden beneath the managed one.
  virtual void set(const std::string& key, PropertyValue value) = 0;
  virtual void remove(const std::string& key) = 0;
  virtual void registerDefaults(const PropertyDictionary& defaults) = 0;
  // Writes pending changes and re-reads what another process wrote.
  virtual bool synchronize() = 0;

  virtual bool objectIsForced(const std::string& key) const = 0;
  // The user's own value, beneath any forced one.
  virtual std::optional<PropertyValue> userValue(const std::string& key) const = 0;
  // The value set for any user on this host (kCFPreferencesAnyUser,
  // kCFPreferencesCurrentHost) in `domain`.
  virtual std::optional<PropertyValue> anyUserValue(const std::string& key) const = 0;

  // Observes one key by its exact name (dots are part of the name). The
  // handler receives the new value in force (none when removed),
  // asynchronously on the main queue.
  using KeyObserver = std::function<void(const std::optional<PropertyValue>& newValue)>;
  [[nodiscard]] virtual ObserverHandle observeKey(const std::string& key, KeyObserver handler) = 0;

  // The standard domain "run.tarvo.vigilix" and a named suite.
  static UserDefaults& standard();
  static std::shared_ptr<UserDefaults> suite(const std::string& name);
};

}  // namespace vigilix::platform
