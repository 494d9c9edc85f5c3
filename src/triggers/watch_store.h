#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/base/property_value.h"
#include "platform/defaults/user_defaults.h"
#include "triggers/watch.h"
#include "triggers/watch_store_record.h"

namespace vigilix {

inline constexpr const char* kSavedWatchesKey = "run.tarvo.vigilix.SavedWatches";
inline constexpr const char* kSavedWatchesBackupKey = "run.tarvo.vigilix.SavedWatches.previous";
// Written by an earlier version; read, never written or removed.
inline constexpr const char* kLegacyWatchesKey = "run.tarvo.vigilix.Watches";
inline constexpr const char* kLegacyWatchBookmarksKey = "run.tarvo.vigilix.WatchBookmarks";

// The saved watches in user defaults. A stored value it cannot read is never
// overwritten by ordinary recording; only an assignment of the whole list
// replaces it, after keeping the unreadable value aside: undecodable data
// under the backup key while that holds none, anything else under
// "<key>.damaged-<UTC time>". What cannot be read is logged once.
// No lock: the hub uses it on the main thread only.
class VGXWatchStore {
 public:
  explicit VGXWatchStore(platform::UserDefaults& defaults);

  // The stored list; when it cannot be read, the former keys' watches, else
  // the list held from before.
  std::vector<VGXSavedWatch> load();
  // Records the watch as active, replacing an entry with the same id and
  // moving it to the end. False when nothing could be stored: the stored
  // value cannot be read, or the entry cannot be written.
  bool upsert(const Watch& watch, const platform::Bytes& bookmark);
  // Changes the state of the first entry with this id, if any.
  void setState(const std::string& id, const VGXSavedWatchState& state);
  // Writes the list, unless it is what is stored already. Without
  // `replacing`, an unreadable stored value is left as it is.
  void save(const std::vector<VGXSavedWatch>& list, bool replacing);

  std::vector<VGXSavedWatch> watches() { return load(); }
  void setWatches(const std::vector<VGXSavedWatch>& list) { save(list, true); }

  // Whether a value is stored that cannot be read.
  bool hasUndecodableData();

  const std::vector<VGXSavedWatch>& lastSaved() const { return lastSaved_; }
  bool canSave() const { return canSave_; }

 private:
  // save(); true when the list is stored afterwards.
  bool write(const std::vector<VGXSavedWatch>& list, bool replacing);
  // The former keys' watches as active entries, or none.
  std::optional<std::vector<VGXSavedWatch>> migrateLegacy();
  void keepAside(const platform::PropertyValue& stored);
  void reportOnce(std::string message);

  platform::UserDefaults& defaults_;
  std::vector<VGXSavedWatch> lastSaved_;
  bool canSave_ = true;
  std::set<std::string> reported_;
};

}  // namespace vigilix
