#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "menubar/activation_duration.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix {

inline constexpr const char* kDZLDurationsKey = "run.tarvo.vigilix.Durations";
inline constexpr const char* kDZLActivationDurationsDidChangeNotification =
    "DZLActivationDurationsDidChangeNotification";

// The durations a stored list stands for: its entries that are whole
// positive seconds (after dropping fractions and clamping to the integer
// range, see wholePositiveSeconds), numbers or numeric text, each once, the
// first kept. What is left out is described in `dropped` when given.
std::vector<DZLActivationDuration> activationDurationsFromStoredList(
    const platform::PropertyArray& list, std::vector<std::string>* dropped = nullptr);

// The durations the user chooses from and the default one. The list is kept
// under "run.tarvo.vigilix.Durations" as numbers of seconds in the user's
// order, without the indefinite entry; the default is the core's default
// time interval. Every change saves, then posts the change notification
// (object: this controller) on the default centre. Main thread only.
class DZLActivationDurationsController {
 public:
  // Over the standard defaults; made on first use.
  static DZLActivationDurationsController& sharedController();

  // Loads the stored list (activationDurationsFromStoredList); when nothing
  // is left, or the key holds no list, the default list is stored and saved
  // at once.
  explicit DZLActivationDurationsController(platform::UserDefaults& defaults);

  platform::UserDefaults& userDefaults() const { return defaults_; }
  const std::vector<DZLActivationDuration>& storedActivationDurations() const { return stored_; }

  // The stored ones and the indefinite one, by seconds ascending.
  std::vector<DZLActivationDuration> activationDurations() const;
  // Indefinite for a stored default of 0; else the stored duration equal to
  // it; none when none is.
  std::optional<DZLActivationDuration> defaultActivationDuration() const;

  // False for a repeat and for what cannot be stored (see the constructor).
  bool addActivationDuration(const DZLActivationDuration& duration);
  // False when not stored. Removing the default makes indefinite the default.
  bool removeActivationDuration(const DZLActivationDuration& duration);
  // Indexes into activationDurations(); the indefinite entry cannot go.
  bool canRemoveActivationDurationAtIndex(std::size_t index) const;
  bool removeActivationDurationAtIndex(std::size_t index);
  // Out of range: nothing.
  void setActivationDurationAsDefaultAtIndex(std::size_t index);
  // Only one of activationDurations() can be the default: anything else is
  // refused (false) and nothing is written.
  bool setDefaultActivationDuration(const DZLActivationDuration& duration,
                                    bool notifyListeners = true);
  // Back to the default list; a default not among it becomes indefinite.
  void resetActivationDurations();

 private:
  void load();
  void saveToUserDefaults();
  void didChange();
  void makeIndefiniteTheDefault();

  platform::UserDefaults& defaults_;
  std::vector<DZLActivationDuration> stored_;
};

}  // namespace vigilix
