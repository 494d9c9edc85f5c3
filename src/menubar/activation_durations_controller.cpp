#include "menubar/activation_durations_controller.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <set>
#include <string>

#include "core/dzl_keys.h"
#include "platform/base/logger.h"
#include "platform/base/shared_instances.h"
#include "platform/notifications/notification_center.h"

namespace vigilix {

namespace {

using platform::PropertyValue;

const platform::Logger& log() {
  static const platform::Logger logger("ActivationDurations");
  return logger;
}

// An element of the stored list: a number, or a number written as text.
std::optional<std::int64_t> storedSeconds(const PropertyValue& element) {
  if (element.isInteger()) {
    const std::int64_t value = std::get<std::int64_t>(element.value);
    return wholePositiveSeconds(value > 0 ? static_cast<double>(value) : 0);
  }
  if (element.isReal()) return wholePositiveSeconds(std::get<double>(element.value));
  if (element.isString()) {
    const std::string& text = std::get<std::string>(element.value);
    double number = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, number);
    if (parsed.ec == std::errc() && parsed.ptr == end) return wholePositiveSeconds(number);
  }
  return std::nullopt;
}

std::string describe(const std::vector<DZLActivationDuration>& durations) {
  std::string text = "[";
  for (const auto& duration : durations) {
    if (text.size() > 1) text += ", ";
    text += fmt::format("{:.0f}", duration.seconds());  // whole seconds
  }
  return text + "]";
}

}  // namespace

std::vector<DZLActivationDuration> activationDurationsFromStoredList(
    const platform::PropertyArray& list, std::vector<std::string>* dropped) {
  std::vector<DZLActivationDuration> durations;
  std::set<std::int64_t> seen;
  for (const PropertyValue& element : list) {
    const auto seconds = storedSeconds(element);
    if (seconds && seen.insert(*seconds).second) {
      durations.emplace_back(static_cast<double>(*seconds));
    } else if (dropped) {
      dropped->push_back(platform::debugDescription(element));
    }
  }
  return durations;
}

DZLActivationDurationsController& DZLActivationDurationsController::sharedController() {
  static constinit platform::SharedInstance<DZLActivationDurationsController> instance{[] {
    return std::make_shared<DZLActivationDurationsController>(platform::UserDefaults::standard());
  }};
  return instance.get();
}

DZLActivationDurationsController::DZLActivationDurationsController(platform::UserDefaults& defaults)
    : defaults_(defaults) {
  load();
}

void DZLActivationDurationsController::load() {
  if (const auto list = defaults_.arrayValue(kDZLDurationsKey)) {
    std::vector<std::string> dropped;
    stored_ = activationDurationsFromStoredList(*list, &dropped);
    if (!dropped.empty()) {
      log().error("Dropped stored durations that are no whole positive seconds or repeat one: {}",
                  fmt::join(dropped, ", "));
    }
  }
  if (!stored_.empty()) {
    log().info("Loaded durations from user defaults: {}", describe(stored_));
    return;
  }
  stored_ = DZLActivationDuration::defaultActivationDurations();
  saveToUserDefaults();
}

void DZLActivationDurationsController::saveToUserDefaults() {
  platform::PropertyArray list;
  for (const auto& duration : stored_) list.emplace_back(duration.seconds());
  defaults_.set(kDZLDurationsKey, std::move(list));
  defaults_.synchronize();
  log().info("Saved durations to user defaults: {}", describe(stored_));
}

void DZLActivationDurationsController::didChange() {
  saveToUserDefaults();
  platform::NotificationCenter::defaultCenter().post(kDZLActivationDurationsDidChangeNotification,
                                                     this);
}

std::vector<DZLActivationDuration> DZLActivationDurationsController::activationDurations() const {
  std::vector<DZLActivationDuration> all{DZLActivationDuration::indefiniteActivationDuration()};
  all.insert(all.end(), stored_.begin(), stored_.end());
  std::stable_sort(all.begin(), all.end(),
                   [](const auto& a, const auto& b) { return a.seconds() < b.seconds(); });
  return all;
}

std::optional<DZLActivationDuration> DZLActivationDurationsController::defaultActivationDuration()
    const {
  const double seconds = DZLKeys::dzl_defaultTimeInterval(defaults_);
  if (seconds == 0) return DZLActivationDuration::indefiniteActivationDuration();
  const auto found = std::find(stored_.begin(), stored_.end(), DZLActivationDuration(seconds));
  if (found == stored_.end()) return std::nullopt;
  return *found;
}

bool DZLActivationDurationsController::addActivationDuration(
    const DZLActivationDuration& duration) {
  // Stored as whole seconds, so it must read back as the same duration.
  const auto seconds = wholePositiveSeconds(duration.seconds());
  if (!seconds || static_cast<double>(*seconds) != duration.seconds()) {
    log().error("Refused to add a duration of {} seconds", duration.seconds());
    return false;
  }
  if (std::find(stored_.begin(), stored_.end(), duration) != stored_.end()) return false;
  stored_.push_back(duration);
  didChange();
  return true;
}

bool DZLActivationDurationsController::removeActivationDuration(
    const DZLActivationDuration& duration) {
  const auto found = std::find(stored_.begin(), stored_.end(), duration);
  if (found == stored_.end()) return false;
  const bool wasDefault = defaultActivationDuration() == duration;
  stored_.erase(found);
  if (wasDefault) makeIndefiniteTheDefault();
  didChange();
  return true;
}

bool DZLActivationDurationsController::canRemoveActivationDurationAtIndex(std::size_t index) const {
  const auto all = activationDurations();
  return index < all.size() && !all[index].isIndefinite();
}

bool DZLActivationDurationsController::removeActivationDurationAtIndex(std::size_t index) {
  if (!canRemoveActivationDurationAtIndex(index)) return false;
  return removeActivationDuration(activationDurations()[index]);
}

void DZLActivationDurationsController::setActivationDurationAsDefaultAtIndex(std::size_t index) {
  const auto all = activationDurations();
  if (index >= all.size()) return;
  setDefaultActivationDuration(all[index], false);
  didChange();
}

bool DZLActivationDurationsController::setDefaultActivationDuration(
    const DZLActivationDuration& duration, bool notifyListeners) {
  const auto all = activationDurations();
  if (std::find(all.begin(), all.end(), duration) == all.end()) {
    log().error("Refused to make {} seconds the default: not among the durations",
                duration.seconds());
    return false;
  }
  DZLKeys::setDzl_defaultTimeInterval(defaults_, duration.seconds());
  defaults_.synchronize();
  if (notifyListeners) {
    platform::NotificationCenter::defaultCenter().post(kDZLActivationDurationsDidChangeNotification,
                                                       this);
  }
  return true;
}

void DZLActivationDurationsController::resetActivationDurations() {
  stored_ = DZLActivationDuration::defaultActivationDurations();
  if (!defaultActivationDuration()) makeIndefiniteTheDefault();
  didChange();
}

void DZLActivationDurationsController::makeIndefiniteTheDefault() {
  DZLKeys::setDzl_defaultTimeInterval(defaults_, 0);
}

}  // namespace vigilix
