// The layer rules, checked against both stores: in memory (the test
// platform's) and property-list files (the live one).
#include "platform/defaults/layered_user_defaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/property_list_codec.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Optional;
using Seen = std::vector<std::optional<PropertyValue>>;

class MemoryBackend {
 public:
  std::shared_ptr<LayeredUserDefaults> open() {
    return std::make_shared<testing::TestUserDefaults>(kStandardDomain, storage_);
  }
  void setManaged(const std::string& key, PropertyValue value) {
    storage_->setManaged(key, std::move(value));
  }
  void removeManaged(const std::string& key) { storage_->removeManaged(key); }
  void setAnyUser(const std::string& key, PropertyValue value) {
    storage_->setAnyUser(key, std::move(value));
  }
  void failReads(bool fails) { storage_->setReadFails(fails); }
  void failWrites(bool fails) { storage_->setWriteFails(fails); }
  PropertyDictionary stored() { return storage_->userValues(); }

 private:
  std::shared_ptr<testing::TestDefaultsStorage> storage_ =
      std::make_shared<testing::TestDefaultsStorage>();
};

class FileBackend {
 public:
  std::shared_ptr<LayeredUserDefaults> open() {
    return std::make_shared<LiveUserDefaults>(kStandardDomain, files_);
  }
  void setManaged(const std::string& key, PropertyValue value) {
    edit(files_.managed.front(), key, std::move(value));
  }
  void removeManaged(const std::string& key) { edit(files_.managed.front(), key, std::nullopt); }
  void setAnyUser(const std::string& key, PropertyValue value) {
    edit(files_.anyUser, key, std::move(value));
  }
  void failReads(bool fails) { inject(FileSystem::Operation::Read, fails); }
  void failWrites(bool fails) { inject(FileSystem::Operation::Write, fails); }
  PropertyDictionary stored() { return read(files_.user); }

 private:
  // Reads past any injected failure, as another process would.
  static PropertyDictionary read(const FileSystem::Path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return {};
    auto decoded = decodePropertyList(bytes);
    return decoded ? std::get<PropertyDictionary>(decoded->value) : PropertyDictionary{};
  }
  static void edit(const FileSystem::Path& path, const std::string& key,
                   std::optional<PropertyValue> value) {
    auto values = read(path);
    if (value) {
      values[key] = *value;
    } else {
      values.erase(key);
    }
    auto encoded = encodePropertyList(PropertyValue(values), PropertyListFormat::Xml);
    ASSERT_TRUE(encoded.has_value());
    ASSERT_TRUE(FileSystem::writeFileAtomically(path, *encoded).has_value());
  }
  void inject(FileSystem::Operation operation, bool fails) {
    if (fails) {
      FileSystem::injectFailure(operation, files_.user, EIO);
    } else {
      FileSystem::clearInjectedFailures();
    }
  }

  testing::TemporaryRoot root_;
  DefaultsFiles files_ = defaultsFilesFor(kStandardDomain, false, "tester");
};

template <typename Backend>
class UserDefaultsLayersTest : public ::testing::Test {
 protected:
  ObserverHandle observe(UserDefaults& defaults, const std::string& key, Seen& into) {
    return defaults.observeKey(key, [&into](const auto& value) { into.push_back(value); });
  }

  testing::TestPlatform platform;
  Backend backend;
};

using Backends = ::testing::Types<MemoryBackend, FileBackend>;
TYPED_TEST_SUITE(UserDefaultsLayersTest, Backends);

TYPED_TEST(UserDefaultsLayersTest, ManagedBeatsUserBeatsRegistration) {
  auto defaults = this->backend.open();
  defaults->registerDefaults({{"run.tarvo.vigilix.TimeInterval", 600}});
  EXPECT_THAT(defaults->object("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(600)));

  defaults->set("run.tarvo.vigilix.TimeInterval", 1800);
  EXPECT_THAT(defaults->object("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(1800)));
  EXPECT_FALSE(defaults->objectIsForced("run.tarvo.vigilix.TimeInterval"));

  this->backend.setManaged("run.tarvo.vigilix.TimeInterval", 300);
  defaults->synchronize();
  EXPECT_THAT(defaults->object("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(300)));
  EXPECT_TRUE(defaults->objectIsForced("run.tarvo.vigilix.TimeInterval"));
  EXPECT_THAT(defaults->userValue("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(1800)));

  // A write beneath a forced value is kept but stays hidden.
  defaults->set("run.tarvo.vigilix.TimeInterval", 60);
  EXPECT_THAT(defaults->object("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(300)));
  EXPECT_THAT(defaults->userValue("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(60)));

  defaults->remove("run.tarvo.vigilix.TimeInterval");
  EXPECT_EQ(defaults->userValue("run.tarvo.vigilix.TimeInterval"), std::nullopt);
  this->backend.removeManaged("run.tarvo.vigilix.TimeInterval");
  defaults->synchronize();
  EXPECT_FALSE(defaults->objectIsForced("run.tarvo.vigilix.TimeInterval"));
  EXPECT_THAT(defaults->object("run.tarvo.vigilix.TimeInterval"), Optional(PropertyValue(600)));
}

TYPED_TEST(UserDefaultsLayersTest, RegistrationIsNeitherStoredNorShared) {
  auto first = this->backend.open();
  first->registerDefaults({{"a", 1}, {"b", 2}});
  first->registerDefaults({{"b", 3}});
  EXPECT_THAT(first->object("a"), Optional(PropertyValue(1)));
  EXPECT_THAT(first->object("b"), Optional(PropertyValue(3)));
  EXPECT_EQ(first->userValue("a"), std::nullopt);
  EXPECT_THAT(this->backend.stored(), IsEmpty());
  EXPECT_EQ(this->backend.open()->object("a"), std::nullopt);
}

TYPED_TEST(UserDefaultsLayersTest, TwoInstancesShareValuesThroughSynchronize) {
  auto app = this->backend.open();
  auto extension = this->backend.open();

  app->set("run.tarvo.vigilix.ControlState", Bytes{1, 2});
  EXPECT_EQ(extension->object("run.tarvo.vigilix.ControlState"), std::nullopt);
  extension->set("run.tarvo.vigilix.ControlRequest", PropertyDictionary{{"value", true}});
  app->set("other", "x");

  EXPECT_TRUE(extension->synchronize());
  EXPECT_TRUE(app->synchronize());
  for (const auto& side : {app, extension}) {
    EXPECT_THAT(side->object("run.tarvo.vigilix.ControlState"),
                Optional(PropertyValue(Bytes{1, 2})));
    EXPECT_THAT(side->object("run.tarvo.vigilix.ControlRequest"),
                Optional(PropertyValue(PropertyDictionary{{"value", true}})));
    EXPECT_THAT(side->object("other"), Optional(PropertyValue("x")));
  }

  app->remove("run.tarvo.vigilix.ControlRequest");
  extension->synchronize();
  EXPECT_EQ(extension->object("run.tarvo.vigilix.ControlRequest"), std::nullopt);
}

TYPED_TEST(UserDefaultsLayersTest, DidChangeIsPostedSynchronouslyForEveryWrite) {
  auto defaults = this->backend.open();
  auto other = this->backend.open();
  std::vector<std::optional<PropertyValue>> valueAtPost;
  auto token = NotificationCenter::defaultCenter().addObserver(
      kUserDefaultsDidChangeNotification, defaults.get(), nullptr,
      [&](const Notification&) { valueAtPost.push_back(defaults->object("k")); });

  defaults->set("k", 1);
  defaults->set("k", 1);  // unchanged, still a write
  other->set("k", 2);     // another instance: another sender
  defaults->registerDefaults({{"k", 0}});
  defaults->remove("k");
  EXPECT_THAT(valueAtPost, ElementsAre(Optional(PropertyValue(1)), Optional(PropertyValue(1)),
                                       Optional(PropertyValue(0))));
}

TYPED_TEST(UserDefaultsLayersTest, ObservesOneDottedKeyOnTheMainQueue) {
  auto defaults = this->backend.open();
  Seen seen;
  auto token = this->observe(*defaults, "run.tarvo.vigilix.ControlState", seen);

  defaults->set("run.tarvo.vigilix", 1);
  defaults->set("run.tarvo.vigilix.ControlState.extra", 2);
  defaults->set("run.tarvo.vigilix.ControlState", 3);
  EXPECT_THAT(seen, IsEmpty());  // asynchronous
  this->platform.runUntilIdle();
  EXPECT_THAT(seen, ElementsAre(Optional(PropertyValue(3))));

  defaults->set("run.tarvo.vigilix.ControlState", 3);  // value in force unchanged
  defaults->remove("run.tarvo.vigilix.ControlState");
  this->platform.runUntilIdle();
  EXPECT_THAT(seen, ElementsAre(Optional(PropertyValue(3)), std::nullopt));
}

TYPED_TEST(UserDefaultsLayersTest, ObserverHearsManagedAndOtherProcessChangesOnSynchronize) {
  auto defaults = this->backend.open();
  auto other = this->backend.open();
  defaults->set("VGXStopWhenHot", false);
  Seen seen;
  auto token = this->observe(*defaults, "VGXStopWhenHot", seen);

  this->backend.setManaged("VGXStopWhenHot", true);
  defaults->synchronize();
  this->platform.runUntilIdle();
  EXPECT_THAT(seen, ElementsAre(Optional(PropertyValue(true))));

  // Beneath the forced value nothing in force changes.
  defaults->set("VGXStopWhenHot", true);
  other->set("VGXStopWhenHot", false);
  defaults->synchronize();
  this->platform.runUntilIdle();
  EXPECT_EQ(seen.size(), 1u);

  this->backend.removeManaged("VGXStopWhenHot");
  defaults->synchronize();
  this->platform.runUntilIdle();
  EXPECT_THAT(seen, ElementsAre(Optional(PropertyValue(true)), Optional(PropertyValue(false))));
}

// Writes made while another write is under way (a did-change observer that
// writes, or another thread) reach key observers in the order they were
// made: the last value told is the one in force.
TYPED_TEST(UserDefaultsLayersTest, ObserverIsToldTheValueInForceLast) {
  auto defaults = this->backend.open();
  Seen seen;
  auto token = this->observe(*defaults, "k", seen);
  auto nested = NotificationCenter::defaultCenter().addObserver(
      kUserDefaultsDidChangeNotification, defaults.get(), nullptr, [&](const Notification&) {
        if (defaults->object("k") == PropertyValue(1)) defaults->set("k", 2);
      });
  defaults->set("k", 1);
  this->platform.runUntilIdle();
  EXPECT_THAT(seen, ElementsAre(Optional(PropertyValue(1)), Optional(PropertyValue(2))));
  nested.reset();

  constexpr int kThreads = 4;
  constexpr int kWrites = 25;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&defaults, t] {
      for (int i = 0; i < kWrites; ++i) defaults->set("k", 100 * t + i + 3);
    });
  }
  for (auto& thread : threads) thread.join();
  this->platform.runUntilIdle();
  EXPECT_EQ(seen.back(), defaults->object("k"));
}

TYPED_TEST(UserDefaultsLayersTest, DroppedObserverGetsNothingPending) {
  auto defaults = this->backend.open();
  Seen seen;
  auto token = this->observe(*defaults, "k", seen);
  defaults->set("k", 1);
  token.reset();
  this->platform.runUntilIdle();
  EXPECT_THAT(seen, IsEmpty());
}

TYPED_TEST(UserDefaultsLayersTest, AnyUserValueIsItsOwnLayer) {
  auto defaults = this->backend.open();
  defaults->set("VGXStopWhenHot", false);
  this->backend.setAnyUser("VGXStopWhenHot", true);
  defaults->synchronize();
  EXPECT_THAT(defaults->anyUserValue("VGXStopWhenHot"), Optional(PropertyValue(true)));
  EXPECT_THAT(defaults->object("VGXStopWhenHot"), Optional(PropertyValue(false)));
  EXPECT_EQ(defaults->anyUserValue("missing"), std::nullopt);
}

TYPED_TEST(UserDefaultsLayersTest, FailedWriteStaysVisibleAndIsRetried) {
  auto defaults = this->backend.open();
  this->backend.failWrites(true);
  defaults->set("k", 7);
  EXPECT_THAT(defaults->object("k"), Optional(PropertyValue(7)));
  EXPECT_TRUE(defaults->hasPendingChanges());
  ASSERT_TRUE(defaults->lastError().has_value());
  EXPECT_EQ(defaults->lastError()->kind, DefaultsError::Kind::WriteFailed);
  EXPECT_FALSE(defaults->synchronize());

  this->backend.failWrites(false);
  EXPECT_TRUE(defaults->synchronize());
  EXPECT_FALSE(defaults->hasPendingChanges());
  EXPECT_THAT(this->backend.open()->object("k"), Optional(PropertyValue(7)));
}

TYPED_TEST(UserDefaultsLayersTest, UnreadableValuesAreNeverWrittenOver) {
  this->backend.open()->set("kept", "precious");
  this->backend.failReads(true);
  auto defaults = this->backend.open();
  EXPECT_EQ(defaults->object("kept"), std::nullopt);
  ASSERT_TRUE(defaults->lastError().has_value());
  EXPECT_EQ(defaults->lastError()->kind, DefaultsError::Kind::Unreadable);

  defaults->set("new", 1);
  EXPECT_TRUE(defaults->hasPendingChanges());
  EXPECT_EQ(this->backend.stored(), (PropertyDictionary{{"kept", "precious"}}));

  this->backend.failReads(false);
  EXPECT_TRUE(defaults->synchronize());
  EXPECT_THAT(defaults->object("kept"), Optional(PropertyValue("precious")));
  EXPECT_EQ(this->backend.stored(), (PropertyDictionary{{"kept", "precious"}, {"new", 1}}));
}

}  // namespace
}  // namespace vigilix::platform
