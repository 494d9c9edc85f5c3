#include "platform/defaults/user_defaults.h"

#include <cmath>
#include <map>
#include <mutex>

#include "platform/base/current_instance.h"
#include "platform/base/shared_instances.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/shared_defaults.h"

namespace vigilix::platform {

namespace {

template <typename T>
std::optional<T> valueOf(const std::optional<PropertyValue>& value) {
  if (!value) return std::nullopt;
  if (const auto* held = std::get_if<T>(&value->value)) return *held;
  return std::nullopt;
}

shared_defaults::Factory liveFactory() {
  return [](const std::string& name, bool isSuite) {
    return std::make_shared<LiveUserDefaults>(name, isSuite);
  };
}

constinit CurrentValue<shared_defaults::Factory> currentFactory{&liveFactory};

struct SharedDefaults {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<UserDefaults>> instances;  // "" = standard

  std::shared_ptr<UserDefaults> instance(const std::string& name, bool isSuite) {
    std::lock_guard lock(mutex);
    const std::string slot = isSuite ? name : std::string();
    if (auto found = instances.find(slot); found != instances.end()) return found->second;
    std::shared_ptr<UserDefaults> made = currentFactory.get()(name, isSuite);
    // The standard domain always opens; a suite that did not may open later.
    if (!made && !isSuite) made = std::make_shared<LiveUserDefaults>(name, isSuite);
    if (made) instances.emplace(slot, made);
    return made;
  }
};

// Other shared instances may be reset after this one and still reach for the
// `standard()` they were given while they are torn down, so what a reset
// drops lives until the next reset.
constinit SharedInstance<SharedDefaults> sharedDefaults{
    SharedInstance<SharedDefaults>::OnReset::keepUntilNextReset};

SharedDefaults& shared() { return sharedDefaults.get(); }

// Names that cannot be opened as a suite: the application's own domain and
// the global domain.
bool isValidSuiteName(const std::string& name) {
  return !name.empty() && name != kStandardDomain && name != "NSGlobalDomain";
}

}  // namespace

std::optional<bool> booleanOf(const std::optional<PropertyValue>& value) {
  if (auto flag = valueOf<bool>(value)) return flag;
  if (auto integer = valueOf<std::int64_t>(value)) return *integer != 0;
  if (auto real = valueOf<double>(value); real && std::isfinite(*real)) return *real != 0;
  return std::nullopt;
}

std::optional<bool> UserDefaults::boolValue(const std::string& key) const {
  return booleanOf(object(key));
}

std::optional<std::int64_t> UserDefaults::integerValue(const std::string& key) const {
  const auto value = object(key);
  if (auto integer = valueOf<std::int64_t>(value)) return integer;
  if (auto real = valueOf<double>(value)) {
    // 2^63 itself is out of range; every double below it converts exactly.
    constexpr double kLimit = 9223372036854775808.0;
    if (std::isfinite(*real) && std::trunc(*real) == *real && *real >= -kLimit && *real < kLimit) {
      return static_cast<std::int64_t>(*real);
    }
  }
  return std::nullopt;
}

std::optional<double> UserDefaults::doubleValue(const std::string& key) const {
  const auto value = object(key);
  if (auto real = valueOf<double>(value)) return real;
  if (auto integer = valueOf<std::int64_t>(value)) return static_cast<double>(*integer);
  return std::nullopt;
}

std::optional<std::string> UserDefaults::stringValue(const std::string& key) const {
  return valueOf<std::string>(object(key));
}

std::optional<Bytes> UserDefaults::dataValue(const std::string& key) const {
  return valueOf<Bytes>(object(key));
}

std::optional<PropertyArray> UserDefaults::arrayValue(const std::string& key) const {
  return valueOf<PropertyArray>(object(key));
}

std::optional<PropertyDictionary> UserDefaults::dictionaryValue(const std::string& key) const {
  return valueOf<PropertyDictionary>(object(key));
}

UserDefaults& UserDefaults::standard() { return *shared().instance(kStandardDomain, false); }

std::shared_ptr<UserDefaults> UserDefaults::suite(const std::string& name) {
  if (!isValidSuiteName(name)) return nullptr;
  return shared().instance(name, true);
}

namespace shared_defaults {

void setFactory(Factory factory) {
  currentFactory.install(factory ? std::optional(std::move(factory)) : std::nullopt);
}

void reset() { sharedDefaults.reset(); }

}  // namespace shared_defaults

}  // namespace vigilix::platform
