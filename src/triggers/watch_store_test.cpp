#include "triggers/watch_store.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/base/base64.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::Bytes;
using platform::Date;
using platform::PropertyValue;
using platform::UUID;

const UUID kFileId = UUID::fromString("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").value();
const UUID kAppId = UUID::fromString("0B5D3C9A-7E21-4F6B-9C1D-2A3B4C5D6E7F").value();

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Counts the writes that reach the defaults, so "writes nothing" is checked.
class CountingDefaults final : public platform::UserDefaults {
 public:
  const std::string& domain() const override { return inner.domain(); }
  std::optional<PropertyValue> object(const std::string& key) const override {
    return inner.object(key);
  }
  void set(const std::string& key, PropertyValue value) override {
    ++writes;
    inner.set(key, std::move(value));
  }
  void remove(const std::string& key) override {
    ++writes;
    inner.remove(key);
  }
  void registerDefaults(const platform::PropertyDictionary& d) override {
    inner.registerDefaults(d);
  }
  bool synchronize() override { return inner.synchronize(); }
  bool objectIsForced(const std::string& key) const override { return inner.objectIsForced(key); }
  std::optional<PropertyValue> userValue(const std::string& key) const override {
    return inner.userValue(key);
  }
  std::optional<PropertyValue> anyUserValue(const std::string& key) const override {
    return inner.anyUserValue(key);
  }
  platform::ObserverHandle observeKey(const std::string& key, KeyObserver handler) override {
    return inner.observeKey(key, std::move(handler));
  }

  testing::TestUserDefaults inner;
  int writes = 0;
};

class VGXWatchStoreTest : public ::testing::Test {
 protected:
  static Watch fileWatch() {
    return {kFileId, WatchKind::file("/Users/me/Downloads/a.zip", "a.zip"), Date(726000000.5)};
  }
  static Watch appWatch() {
    return {kAppId, WatchKind::app(501, "com.example.Editor", "Editor"), Date(12)};
  }

  std::string storedText() const {
    const auto data = defaults_.inner.dataValue(kSavedWatchesKey);
    return data ? std::string(data->begin(), data->end()) : "<none>";
  }

  testing::TestPlatform platform_;
  CountingDefaults defaults_;
};

constexpr const char* kFileEntryJSON =
    R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","label":"a.zip","bookmark":"Ym9vaw==",)"
    R"("state":{"active":{}},"watch":{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
    R"("kind":{"file":{"path":"\/Users\/me\/Downloads\/a.zip","displayName":"a.zip"}},)"
    R"("startedAt":726000000.5}})";

TEST_F(VGXWatchStoreTest, UpsertWritesTheExactStoredForm) {
  VGXWatchStore store(defaults_);
  EXPECT_TRUE(store.upsert(fileWatch(), bytesOf("book")));
  EXPECT_EQ(storedText(), std::string("[") + kFileEntryJSON + "]");

  EXPECT_TRUE(store.upsert(appWatch(), {}));
  store.setState(kFileId.uuidString(), VGXSavedWatchState::suspended("Choose the file again"));
  EXPECT_EQ(
      storedText(),
      R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","label":"a.zip","bookmark":"Ym9vaw==",)"
      R"("state":{"suspended":{"reason":"Choose the file again"}},)"
      R"("watch":{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F",)"
      R"("kind":{"file":{"path":"\/Users\/me\/Downloads\/a.zip","displayName":"a.zip"}},)"
      R"("startedAt":726000000.5}},)"
      R"({"id":"0B5D3C9A-7E21-4F6B-9C1D-2A3B4C5D6E7F","label":"Editor","bookmark":"",)"
      R"("state":{"active":{}},"watch":{"id":"0B5D3C9A-7E21-4F6B-9C1D-2A3B4C5D6E7F",)"
      R"("kind":{"app":{"processIdentifier":501,"bundleIdentifier":"com.example.Editor",)"
      R"("displayName":"Editor"}},"startedAt":12}}])");

  // Another store over the same defaults reads back the same list.
  VGXWatchStore reader(defaults_);
  EXPECT_EQ(reader.load(), store.lastSaved());
  EXPECT_EQ(reader.load().size(), 2u);
}

TEST_F(VGXWatchStoreTest, DecodesHandWrittenEntriesWithAndWithoutWatch) {
  defaults_.inner.set(kSavedWatchesKey,
                      bytesOf(R"([{"label":"old","id":"X","bookmark":"","state":{"stopped":{}},)"
                              R"("note":"ignored"},{"id":"Y","label":"y","bookmark":"AAE=",)"
                              R"("state":{"suspended":{"reason":"r"}},"watch":null}])"));
  VGXWatchStore store(defaults_);
  const auto list = store.load();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], (VGXSavedWatch{"X", "old", {}, VGXSavedWatchState::stopped(), std::nullopt}));
  EXPECT_EQ(list[1], (VGXSavedWatch{"Y", "y", Bytes{0, 1}, VGXSavedWatchState::suspended("r"),
                                    std::nullopt}));
  EXPECT_TRUE(store.canSave());
}

TEST_F(VGXWatchStoreTest, UpsertMovesAnExistingIdToTheEndAsActive) {
  VGXWatchStore store(defaults_);
  store.upsert(fileWatch(), bytesOf("old"));
  store.upsert(appWatch(), {});
  store.setState(kFileId.uuidString(), VGXSavedWatchState::stopped());
  store.upsert(fileWatch(), bytesOf("new"));
  const auto list = store.load();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, kAppId.uuidString());
  EXPECT_EQ(list[1].id, kFileId.uuidString());
  EXPECT_EQ(list[1].state, VGXSavedWatchState::active());
  EXPECT_EQ(list[1].bookmark, bytesOf("new"));
  EXPECT_EQ(list[1].watch, fileWatch());
}

TEST_F(VGXWatchStoreTest, UnchangedStatesAndUnknownIdsWriteNothing) {
  VGXWatchStore store(defaults_);
  store.setState(kFileId.uuidString(), VGXSavedWatchState::stopped());  // Empty list.
  EXPECT_EQ(defaults_.writes, 0);
  store.upsert(fileWatch(), {});
  const int afterUpsert = defaults_.writes;
  store.setState(kFileId.uuidString(), VGXSavedWatchState::active());
  store.setState("6F1E2D3C-0000-4000-8000-000000000000", VGXSavedWatchState::stopped());
  store.setState(kFileId.uuidString().substr(1), VGXSavedWatchState::stopped());
  EXPECT_EQ(defaults_.writes, afterUpsert);
  store.setState(kFileId.uuidString(), VGXSavedWatchState::suspended("a"));
  store.setState(kFileId.uuidString(), VGXSavedWatchState::suspended("b"));
  EXPECT_EQ(defaults_.writes, afterUpsert + 2);
}

TEST_F(VGXWatchStoreTest, SavingTheStoredListAgainWritesOnlyWhenTheKeyIsEmpty) {
  VGXWatchStore store(defaults_);
  store.save({}, false);  // Nothing stored yet: written.
  EXPECT_EQ(storedText(), "[]");
  EXPECT_EQ(defaults_.writes, 1);
  store.save({}, false);
  store.save({}, true);
  EXPECT_EQ(defaults_.writes, 1);
  store.upsert(appWatch(), {});
  store.setWatches(store.watches());
  EXPECT_EQ(defaults_.writes, 2);
}

TEST_F(VGXWatchStoreTest, UnreadableValueIsNeverOverwrittenByRecording) {
  const Bytes damaged =
      bytesOf(R"([{"id":"X","label":"x","bookmark":"","state":{"active":{},"stopped":{}}}])");
  defaults_.inner.set(kSavedWatchesKey, damaged);
  defaults_.writes = 0;
  VGXWatchStore store(defaults_);
  EXPECT_TRUE(store.hasUndecodableData());
  EXPECT_FALSE(store.upsert(fileWatch(), {}));
  store.save({}, false);
  store.setState("X", VGXSavedWatchState::stopped());
  EXPECT_EQ(defaults_.writes, 0);
  EXPECT_EQ(defaults_.inner.dataValue(kSavedWatchesKey), damaged);
  EXPECT_TRUE(store.load().empty());
}

// A forced save keeps what it replaces: undecodable bytes in the backup slot
// unless that still holds such bytes, anything else under a key of its own.
TEST_F(VGXWatchStoreTest, ReplacingSaveKeepsWhatItReplacesAndSaysWhere) {
  const std::string damagedKey = std::string(kSavedWatchesKey) + ".damaged-2026-01-05T09:00:00Z";
  struct Row {
    const char* name;
    PropertyValue stored;
    std::optional<PropertyValue> backup;
    std::optional<PropertyValue> backupAfter;
    std::optional<PropertyValue> asideAfter;
  };
  const Bytes damaged = bytesOf("{\"not\": \"a list\"}\xff");
  const Row rows[] = {
      {"bytes into an empty slot", damaged, std::nullopt, damaged, std::nullopt},
      {"bytes beside older damage", damaged, bytesOf("older damage"), bytesOf("older damage"),
       damaged},
      {"bytes over a readable backup", damaged, bytesOf("[]"), damaged, std::nullopt},
      {"a text", PropertyValue("[]"), std::nullopt, std::nullopt, PropertyValue("[]")},
      {"a text beside older damage", PropertyValue("[]"), bytesOf("x"), bytesOf("x"),
       PropertyValue("[]")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    CountingDefaults defaults;
    defaults.inner.set(kSavedWatchesKey, row.stored);
    if (row.backup) defaults.inner.set(kSavedWatchesBackupKey, *row.backup);
    VGXWatchStore store(defaults);
    EXPECT_FALSE(store.upsert(appWatch(), {}));
    store.setWatches({VGXSavedWatch{"X", "x", {}, VGXSavedWatchState::stopped(), std::nullopt}});
    EXPECT_EQ(defaults.inner.object(kSavedWatchesBackupKey), row.backupAfter);
    EXPECT_EQ(defaults.inner.object(damagedKey), row.asideAfter);
    EXPECT_EQ(defaults.inner.dataValue(kSavedWatchesKey),
              bytesOf(R"([{"id":"X","label":"x","bookmark":"","state":{"stopped":{}}}])"));
    EXPECT_FALSE(store.hasUndecodableData());
    EXPECT_TRUE(log.containsFragment("cannot be read") || log.containsFragment("not data"));
    EXPECT_TRUE(
        log.containsFragment("the old value is kept under " +
                             (row.asideAfter ? damagedKey : std::string(kSavedWatchesBackupKey))));
  }
}

TEST_F(VGXWatchStoreTest, RepeatedDamageNeverReplacesAnEarlierCopy) {
  VGXWatchStore store(defaults_);
  for (const char* damage : {"first", "second", "third"}) {
    defaults_.inner.set(kSavedWatchesKey, bytesOf(damage));
    store.setWatches({});
  }
  const std::string aside = std::string(kSavedWatchesKey) + ".damaged-2026-01-05T09:00:00Z";
  EXPECT_EQ(defaults_.inner.dataValue(kSavedWatchesBackupKey), bytesOf("first"));
  EXPECT_EQ(defaults_.inner.dataValue(aside), bytesOf("second"));
  EXPECT_EQ(defaults_.inner.dataValue(aside + "-2"), bytesOf("third"));
}

TEST_F(VGXWatchStoreTest, WhatCannotBeReadIsLoggedOnce) {
  testing::CapturedLog log;
  defaults_.inner.set(kSavedWatchesKey, bytesOf("garbage"));
  defaults_.inner.set(kLegacyWatchesKey, bytesOf("[{}]"));
  defaults_.inner.set(kLegacyWatchBookmarksKey, platform::PropertyDictionary{{"a", 1}});
  VGXWatchStore store(defaults_);
  (void)store.load();
  (void)store.hasUndecodableData();
  EXPECT_EQ(log.count(platform::LogLevel::Error), 2u);
  EXPECT_TRUE(log.containsFragment("Saved watches cannot be read and are left as stored"));
  EXPECT_TRUE(log.containsFragment("Former watches cannot be read and are ignored"));

  defaults_.inner.set(kLegacyWatchesKey, bytesOf("[]"));
  (void)store.load();
  EXPECT_TRUE(log.containsFragment("Former watch bookmarks hold a value that is not data"));
}

TEST_F(VGXWatchStoreTest, OneBadElementMakesTheWholeListUnreadable) {
  for (const char* text : {
           R"([{"id":"A","label":"a","bookmark":"","state":{"active":{}}},{"id":"B"}])",
           R"([{"id":"A","label":"a","state":{"active":{}}}])",
           R"([{"id":"A","label":"a","bookmark":"!!","state":{"active":{}}}])",
           R"([{"id":"A","label":"a","bookmark":"","state":{"paused":{}}}])",
           R"([{"id":"A","label":"a","bookmark":"","state":{"suspended":{}}}])",
           R"([{"id":"A","label":"a","bookmark":"","state":{"active":{}},"watch":{"id":"A"}}])",
           R"([{"id":"A","label":"a","bookmark":"","state":{"active":{}},"watch":)"
           R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":1e999,)"
           R"("kind":{"process":{"processIdentifier":1,"label":"x"}}}}])",
           R"({})",
       }) {
    defaults_.inner.set(kSavedWatchesKey, bytesOf(text));
    VGXWatchStore store(defaults_);
    EXPECT_TRUE(store.hasUndecodableData()) << text;
  }
}

TEST_F(VGXWatchStoreTest, UnreadableValueFallsBackToTheListInMemory) {
  VGXWatchStore store(defaults_);
  store.upsert(appWatch(), {});
  defaults_.inner.set(kSavedWatchesKey, bytesOf("garbage"));
  const auto list = store.load();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].id, kAppId.uuidString());
  EXPECT_FALSE(store.canSave());
}

class VGXWatchStoreMigrationTest : public VGXWatchStoreTest {
 protected:
  void storeLegacy() {
    defaults_.inner.set(
        kLegacyWatchesKey,
        bytesOf(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","startedAt":726000000.5,)"
                R"("kind":{"file":{"path":"/Users/me/Downloads/a.zip","displayName":"a.zip"}}},)"
                R"({"id":"0B5D3C9A-7E21-4F6B-9C1D-2A3B4C5D6E7F","startedAt":12,)"
                R"("kind":{"app":{"processIdentifier":501,"bundleIdentifier":"com.example.Editor",)"
                R"("displayName":"Editor"}}}])"));
    defaults_.inner.set(kLegacyWatchBookmarksKey,
                        platform::PropertyDictionary{
                            {"E621E1F8-C36C-495A-93FC-0C247A3E6E5F", PropertyValue(bytesOf("bm"))},
                            {"11111111-2222-4333-8444-555555555555", PropertyValue(bytesOf("x"))}});
    defaults_.writes = 0;
  }
};

TEST_F(VGXWatchStoreMigrationTest, FormerKeysBecomeActiveEntriesWithoutAWrite) {
  storeLegacy();
  VGXWatchStore store(defaults_);
  const std::vector<VGXSavedWatch> expected = {
      VGXSavedWatch{kFileId.uuidString(), "a.zip", bytesOf("bm"), VGXSavedWatchState::active(),
                    fileWatch()},
      VGXSavedWatch{kAppId.uuidString(), "Editor", {}, VGXSavedWatchState::active(), appWatch()}};
  EXPECT_EQ(store.load(), expected);
  EXPECT_EQ(store.load(), expected);
  EXPECT_FALSE(defaults_.inner.object(kSavedWatchesKey).has_value());
  EXPECT_EQ(defaults_.writes, 0);

  // The first save carries the migrated list over; the former keys stay.
  store.setState(kAppId.uuidString(), VGXSavedWatchState::stopped());
  VGXWatchStore reader(defaults_);
  const auto saved = reader.load();
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0], expected[0]);
  EXPECT_EQ(saved[1].state, VGXSavedWatchState::stopped());
  EXPECT_TRUE(defaults_.inner.object(kLegacyWatchesKey).has_value());
  EXPECT_TRUE(defaults_.inner.object(kLegacyWatchBookmarksKey).has_value());
}

TEST_F(VGXWatchStoreMigrationTest, ABookmarkMapWithANonDataValueIsIgnoredWhole) {
  storeLegacy();
  auto map = defaults_.inner.dictionaryValue(kLegacyWatchBookmarksKey).value();
  map["0B5D3C9A-7E21-4F6B-9C1D-2A3B4C5D6E7F"] = PropertyValue("not data");
  defaults_.inner.set(kLegacyWatchBookmarksKey, map);
  VGXWatchStore store(defaults_);
  const auto list = store.load();
  ASSERT_EQ(list.size(), 2u);
  for (const auto& entry : list) EXPECT_TRUE(entry.bookmark.empty()) << entry.id;
}

TEST_F(VGXWatchStoreMigrationTest, UnreadableFormerListCountsAsAbsent) {
  defaults_.inner.set(kLegacyWatchesKey,
                      bytesOf(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"}])"));
  VGXWatchStore store(defaults_);
  EXPECT_TRUE(store.load().empty());
  EXPECT_TRUE(store.canSave());
  defaults_.inner.set(kLegacyWatchesKey, PropertyValue("[]"));
  EXPECT_TRUE(store.load().empty());
}

TEST_F(VGXWatchStoreMigrationTest, AnUnreadableCurrentValueStillShowsTheFormerWatches) {
  storeLegacy();
  defaults_.inner.set(kSavedWatchesKey, bytesOf("garbage"));
  VGXWatchStore store(defaults_);
  EXPECT_EQ(store.load().size(), 2u);
  EXPECT_FALSE(store.canSave());
  EXPECT_FALSE(store.upsert(appWatch(), {}));
}

TEST_F(VGXWatchStoreTest, AWatchWhoseTimeIsNotANumberIsNotRecorded) {
  VGXWatchStore store(defaults_);
  const Watch broken{kAppId, WatchKind::process(1, "x"),
                     Date(std::numeric_limits<double>::quiet_NaN())};
  EXPECT_FALSE(store.upsert(broken, {}));
  EXPECT_EQ(defaults_.writes, 0);
}

}  // namespace
}  // namespace vigilix
