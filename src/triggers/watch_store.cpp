#include "triggers/watch_store.h"

#include <algorithm>
#include <map>

namespace vigilix {

namespace {

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
    if (auto decoded = decodeSavedWatches(std::get<platform::Bytes>(stored->value))) {
      lastSaved_ = std::move(*decoded);
      canSave_ = true;
      return lastSaved_;
    }
  }
  canSave_ = false;
  if (auto migrated = migrateLegacy()) lastSaved_ = std::move(*migrated);
  return lastSaved_;
}

std::optional<std::vector<VGXSavedWatch>> VGXWatchStore::migrateLegacy() const {
  const auto data = defaults_.dataValue(kLegacyWatchesKey);
  if (!data) return std::nullopt;
  auto watches = decodeWatchList(*data);
  if (!watches) return std::nullopt;

  std::map<std::string, platform::Bytes> bookmarks;
  if (const auto dictionary = defaults_.dictionaryValue(kLegacyWatchBookmarksKey)) {
    const bool allData = std::all_of(dictionary->begin(), dictionary->end(),
                                     [](const auto& item) { return item.second.isData(); });
    if (allData) {
      for (const auto& [id, value] : *dictionary) {
        bookmarks.emplace(id, std::get<platform::Bytes>(value.value));
      }
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
    // Keep the unreadable value aside exactly as it was (bytes stay bytes)
    // before replacing it, so nothing is lost to a forced overwrite.
    if (const auto stored = defaults_.object(kSavedWatchesKey)) {
      defaults_.set(kSavedWatchesBackupKey, *stored);
    }
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
