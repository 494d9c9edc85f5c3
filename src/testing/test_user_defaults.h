#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/defaults/layered_user_defaults.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix::testing {

// What one domain keeps "on disk" in a test. Instances built over the same
// storage behave like two processes sharing a domain: each sees the other's
// writes after `synchronize`. Thread-safe.
class TestDefaultsStorage final {
 public:
  platform::PropertyDictionary userValues() const;
  platform::PropertyDictionary managedValues() const;
  platform::PropertyDictionary anyUserValues() const;

  void setManaged(const std::string& key, platform::PropertyValue value);
  void removeManaged(const std::string& key);
  void setAnyUser(const std::string& key, platform::PropertyValue value);
  void removeAnyUser(const std::string& key);
  // Stored values written behind every instance's back (another process).
  void setUserValue(const std::string& key, platform::PropertyValue value);

  // Makes reads or writes of the user's values fail until cleared.
  void setReadFails(bool fails);
  void setWriteFails(bool fails);

 private:
  friend class TestDefaultsStore;
  mutable std::mutex mutex_;
  platform::PropertyDictionary user_;
  platform::PropertyDictionary managed_;
  platform::PropertyDictionary anyUser_;
  bool readFails_ = false;
  bool writeFails_ = false;
};

// In-memory user defaults with the same layer rules as the live ones.
class TestUserDefaults final : public platform::LayeredUserDefaults {
 public:
  explicit TestUserDefaults(
      std::string domain = platform::kStandardDomain,
      std::shared_ptr<TestDefaultsStorage> storage = std::make_shared<TestDefaultsStorage>());

  // Managed values and values for any user; this instance sees them at
  // once, others over the same storage on `synchronize`.
  void setForced(const std::string& key, platform::PropertyValue value);
  void removeForced(const std::string& key);
  void setAnyUserValue(const std::string& key, platform::PropertyValue value);
  void removeAnyUserValue(const std::string& key);

  const std::shared_ptr<TestDefaultsStorage>& storage() const { return storage_; }

 private:
  std::shared_ptr<TestDefaultsStorage> storage_;
};

// While it lives, `UserDefaults::standard()` and `UserDefaults::suite(name)`
// are TestUserDefaults; the test platform holds one.
class TestDefaultsEnvironment final {
 public:
  TestDefaultsEnvironment();
  ~TestDefaultsEnvironment();
  TestDefaultsEnvironment(const TestDefaultsEnvironment&) = delete;
  TestDefaultsEnvironment& operator=(const TestDefaultsEnvironment&) = delete;

  // The shared instances, as the system's code gets them.
  TestUserDefaults& standard();
  std::shared_ptr<TestUserDefaults> suite(const std::string& name);
  // Another instance over the storage of a shared one (another process).
  std::shared_ptr<TestUserDefaults> makeInstance(const std::string& domain);
  // An unavailable suite opens as nullptr (from the next opening on).
  void setSuiteUnavailable(const std::string& name, bool unavailable = true);

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vigilix::testing
