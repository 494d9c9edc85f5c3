#include "platform/defaults/user_defaults.h"

#include <cmath>
#include <map>
#include <mutex>

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

struct SharedDefaults {
  using Instances = std::map<std::string, std::shared_ptr<UserDefaults>>;

  std::mutex mutex;
  shared_defaults::Factory factory;
  Instances instances;  // "" = standard
  // What the previous reset dropped. Other shared instances may be reset
  // after this one and still reach for `standard()` they were given while
  // they are torn down, so dropped instances live until the next reset.
  Instances retired;

  SharedDefaults() {
    registerSharedInstanceReset([] { shared_defaults::reset(); });
  }

  std::shared_ptr<UserDefaults> instance(const std::string& name, bool isSuite) {
    std::lock_guard lock(mutex);
    const std::string slot = isSuite ? name : std::string();
    if (auto found = instances.find(slot); found != instances.end()) return found->second;
    std::shared_ptr<UserDefaults> made =
        factory ? factory(name, isSuite) : std::make_shared<LiveUserDefaults>(name, isSuite);
    // The standard domain always opens; a suite that did not may open later.
    if (!made && !isSuite) made = std::make_shared<LiveUserDefaults>(name, isSuite);
    if (made) instances.emplace(slot, made);
    return made;
  }
};

SharedDefaults& shared() {
  static auto* state = new SharedDefaults();
  return *state;
}

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
  auto& state = shared();
  std::lock_guard lock(state.mutex);
  state.factory = std::move(factory);
}

void reset() {
  SharedDefaults::Instances expired;
  auto& state = shared();
  {
    std::lock_guard lock(state.mutex);
    expired.swap(state.retired);
    state.retired.swap(state.instances);
  }
  // Destroyed outside the lock: an instance's teardown may reach for another.
}

}  // namespace shared_defaults

}  // namespace vigilix::platform
