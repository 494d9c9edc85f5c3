#include "settings/triggers/app_list_model.h"

#include <algorithm>
#include <cmath>

#include "platform/base/text.h"

namespace vigilix {

namespace {

std::string trimmed(const std::string& text) {
  constexpr const char* kSpace = " \t\n\r\v\f";
  const auto first = text.find_first_not_of(kSpace);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

auto sameAs(const std::string& identifier) {
  return [&identifier](const std::string& other) {
    return platform::equalsIgnoringCase(other, identifier);
  };
}

}  // namespace

AppListModel::AppListModel(std::vector<std::string> appIdentifiers,
                           const std::vector<std::string>& frontmost)
    : appIdentifiers_(std::move(appIdentifiers)) {
  for (const auto& identifier : frontmost)
    if (std::ranges::none_of(frontmostOnly_, sameAs(identifier)))
      frontmostOnly_.push_back(identifier);
}

bool AppListModel::contains(const std::string& identifier) const {
  return std::ranges::any_of(appIdentifiers_, sameAs(identifier));
}

bool AppListModel::isFrontmostOnly(const std::string& identifier) const {
  return std::ranges::any_of(frontmostOnly_, sameAs(identifier));
}

void AppListModel::add(const std::string& identifier) {
  const std::string app = trimmed(identifier);
  if (app.empty()) return;
  for (auto& group : removalHistory_)
    std::erase_if(group, [&app](const RemovedApp& removed) {
      return platform::equalsIgnoringCase(removed.appIdentifier, app);
    });
  std::erase_if(removalHistory_, [](const auto& group) { return group.empty(); });
  if (contains(app)) return;
  appIdentifiers_.push_back(app);
}

void AppListModel::remove(const std::string& identifier) {
  const auto found = std::ranges::find_if(appIdentifiers_, sameAs(identifier));
  if (found == appIdentifiers_.end()) return;
  remove(std::set<std::size_t>{static_cast<std::size_t>(found - appIdentifiers_.begin())});
}

void AppListModel::remove(const std::set<std::size_t>& offsets) {
  std::vector<RemovedApp> group;
  for (const std::size_t offset : offsets) {
    if (offset >= appIdentifiers_.size()) continue;
    const std::string& identifier = appIdentifiers_[offset];
    group.push_back({offset, identifier, isFrontmostOnly(identifier)});
  }
  if (group.empty()) return;
  for (auto removed = group.rbegin(); removed != group.rend(); ++removed) {
    appIdentifiers_.erase(appIdentifiers_.begin() + static_cast<std::ptrdiff_t>(removed->index));
    dropFrontmost(removed->appIdentifier);
  }
  removalHistory_.push_back(std::move(group));
}

void AppListModel::setFrontmostOnly(bool frontmostOnly, const std::string& identifier) {
  const auto found = std::ranges::find_if(appIdentifiers_, sameAs(identifier));
  if (found == appIdentifiers_.end()) return;
  if (!frontmostOnly) {
    dropFrontmost(identifier);
  } else if (!isFrontmostOnly(*found)) {
    frontmostOnly_.push_back(*found);
  }
}

void AppListModel::undoRemoval() {
  if (removalHistory_.empty()) return;
  std::vector<RemovedApp> group = std::move(removalHistory_.back());
  removalHistory_.pop_back();
  std::ranges::sort(group, {}, &RemovedApp::index);
  for (const RemovedApp& removed : group) {
    if (!contains(removed.appIdentifier)) {
      const std::size_t at = std::min(removed.index, appIdentifiers_.size());
      appIdentifiers_.insert(appIdentifiers_.begin() + static_cast<std::ptrdiff_t>(at),
                             removed.appIdentifier);
    }
    if (removed.frontmostOnly && !isFrontmostOnly(removed.appIdentifier))
      frontmostOnly_.push_back(removed.appIdentifier);
  }
}

void AppListModel::dropFrontmost(const std::string& identifier) {
  std::erase_if(frontmostOnly_, sameAs(identifier));
}

namespace {
double clamped(double value, double low, double high, double notANumber) {
  if (std::isnan(value)) return notANumber;
  return std::clamp(value, low, high);
}
}  // namespace

double clampedNetworkMBps(double value) { return clamped(value, 0.1, 1000, 1.0); }
double clampedCPUPercent(double value) { return clamped(value, 1, 100, 50); }
// An infinite disk figure is as meaningless as one that is no number.
double clampedDiskMBps(double value) {
  return std::isfinite(value) ? std::clamp(value, 1.0, 2000.0) : 20.0;
}

}  // namespace vigilix
