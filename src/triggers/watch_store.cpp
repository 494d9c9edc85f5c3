#include "triggers/watch_store.h"

#include <algorithm>
#include <map>

#include "platform/base/logger.h"
#include "platform/defaults/damaged_value.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace {

const platform::Logger& log() {
  static const platform::Logger logger("watches");
  return logger;
}

bool isUndecodableData(const std::optional<platform::PropertyValue>& value) {
  return value && value->isData() &&
         !decodeSavedWatches(std::get<platform::Bytes>(value->value)).has_value();
}

VGXSavedWatch activeEntry(const Watch& watch, platform::Bytes bookmark) {
  return VGXSavedWatch{watch.id.uuidString(), watch.label(), std::move(bookmark),
                       VGXSavedWatchState::active(), watch};
}

}  // namespace

VGXWatchStore::VGXWatchStore(platform::UserDefaults& defaults) : defaults_(defaults) {
  (void)load();
}

std::vector<VGXSavedWatch> VGXWatchStore::load() {
  const auto stored = defaults_.object(kSavedWatchesKey);
  if (!stored) {
    lastSaved_ = migrateLegacy().value_or(std::vector<VGXSavedWatch>{});
    canSave_ = true;
    return lastSaved_;
  }
  if (stored->isData()) {
    auto decoded = decodeSavedWatches(std::get<platform::Bytes>(stored->value));
    if (decoded) {
      lastSaved_ = std::move(*decoded);
      canSave_ = true;
      return lastSaved_;
    }
    reportOnce(fmt::format("Saved watches cannot be read and are left as stored: {}",
                           decoded.error().description()));
  } else {
    reportOnce(fmt::format("Saved watches are not data ({}) and are left as stored",
                           platform::debugDescription(*stored)));
  }
  canSave_ = false;
  if (auto migrated = migrateLegacy()) lastSaved_ = std::move(*migrated);
  return lastSaved_;
}

std::optional<std::vector<VGXSavedWatch>> VGXWatchStore::migrateLegacy() {
  const auto data = defaults_.dataValue(kLegacyWatchesKey);
  if (!data) return std::nullopt;
  auto watches = decodeWatchList(*data);
  if (!watches) {
    reportOnce(fmt::format("Former watches cannot be read and are ignored: {}",
                           watches.error().description()));
    return std::nullopt;
  }

  std::map<std::string, platform::Bytes> bookmarks;
  if (const auto dictionary = defaults_.dictionaryValue(kLegacyWatchBookmarksKey)) {
    const bool allData = std::all_of(dictionary->begin(), dictionary->end(),
                                     [](const auto& item) { return item.second.isData(); });
    if (allData) {
      for (const auto& [id, value] : *dictionary) {
        bookmarks.emplace(id, std::get<platform::Bytes>(value.value));
      }
    } else {
      reportOnce("Former watch bookmarks hold a value that is not data; all are ignored");
    }
  }

  std::vector<VGXSavedWatch> entries;
  entries.reserve(watches->size());
  for (const Watch& watch : *watches) {
    const auto found = bookmarks.find(watch.id.uuidString());
    entries.push_back(
        activeEntry(watch, found == bookmarks.end() ? platform::Bytes{} : found->second));
  }
  return entries;
}

void VGXWatchStore::save(const std::vector<VGXSavedWatch>& list, bool replacing) {
  (void)write(list, replacing);
}

bool VGXWatchStore::write(const std::vector<VGXSavedWatch>& list, bool replacing) {
  (void)load();
  if (!canSave_) {
    if (!replacing) return false;
    if (const auto stored = defaults_.object(kSavedWatchesKey)) keepAside(*stored);
  } else if (list == lastSaved_ && defaults_.object(kSavedWatchesKey)) {
    return true;
  }
  auto encoded = encodeSavedWatches(list);
  if (!encoded) return false;
  defaults_.set(kSavedWatchesKey, std::move(*encoded));
  lastSaved_ = list;
  canSave_ = true;
  return true;
}

void VGXWatchStore::keepAside(const platform::PropertyValue& stored) {
  // The backup slot holds unreadable bytes exactly; it is never given up
  // while it still holds some. Everything else goes under a key of its own.
  std::string key = kSavedWatchesBackupKey;
  if (!stored.isData() || isUndecodableData(defaults_.object(key))) {
    key = platform::keepDamagedValueAside(defaults_, kSavedWatchesKey, stored,
                                          platform::Clock::current().now());
  } else {
    defaults_.set(key, stored);
  }
  log().error("Saved watches that could not be read were replaced; the old value is kept under {}",
              key);
}

void VGXWatchStore::reportOnce(std::string message) {
  if (reported_.insert(message).second) log().error("{}", message);
}

bool VGXWatchStore::upsert(const Watch& watch, const platform::Bytes& bookmark) {
  std::vector<VGXSavedWatch> list = load();
  if (!canSave_) return false;
  VGXSavedWatch entry = activeEntry(watch, bookmark);
  std::erase_if(list, [&](const VGXSavedWatch& existing) { return existing.id == entry.id; });
  list.push_back(std::move(entry));
  // A watch that cannot be written (a time that is not a number) is not
  // reported as recorded.
  return write(list, false);
}

void VGXWatchStore::setState(const std::string& id, const VGXSavedWatchState& state) {
  std::vector<VGXSavedWatch> list = load();
  if (list.empty()) return;
  const auto found = std::find_if(list.begin(), list.end(),
                                  [&](const VGXSavedWatch& entry) { return entry.id == id; });
  if (found == list.end() || found->state == state) return;
  found->state = state;
  save(list, false);
}

bool VGXWatchStore::hasUndecodableData() {
  (void)load();
  return !canSave_;
}

}  // namespace vigilix
