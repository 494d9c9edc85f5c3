#pragma once

#include <set>
#include <string>
#include <vector>

namespace vigilix {

// One app taken off the list, with what undo needs to put it back.
struct RemovedApp {
  std::size_t index = 0;
  std::string appIdentifier;
  bool frontmostOnly = false;

  bool operator==(const RemovedApp&) const = default;
};

// The editable list of apps whose running keeps the computer awake, with the
// per-app "only while frontmost" mark and the undo history of removals.
// Identifiers are compared ignoring case; the list never holds two equal ones.
class AppListModel {
 public:
  AppListModel() = default;
  AppListModel(std::vector<std::string> appIdentifiers, const std::vector<std::string>& frontmost);

  const std::vector<std::string>& appIdentifiers() const { return appIdentifiers_; }
  const std::vector<std::string>& frontmostOnly() const { return frontmostOnly_; }
  const std::vector<std::vector<RemovedApp>>& removalHistory() const { return removalHistory_; }

  bool contains(const std::string& identifier) const;
  bool isFrontmostOnly(const std::string& identifier) const;

  // Trimmed; an empty or already listed identifier adds nothing, but is
  // always purged from the undo history so that undo cannot add it twice.
  void add(const std::string& identifier);
  void remove(const std::string& identifier);
  // Positions outside the list are skipped; the rest form one undo group.
  void remove(const std::set<std::size_t>& offsets);
  void setFrontmostOnly(bool frontmostOnly, const std::string& identifier);
  bool canUndo() const { return !removalHistory_.empty(); }
  void undoRemoval();

 private:
  void dropFrontmost(const std::string& identifier);

  std::vector<std::string> appIdentifiers_;
  // Kept as a list in insertion order; compared ignoring case.
  std::vector<std::string> frontmostOnly_;
  std::vector<std::vector<RemovedApp>> removalHistory_;
};

// The clamps of the Advanced thresholds, shared by the pane and its model.
double clampedNetworkMBps(double value);
double clampedCPUPercent(double value);
double clampedDiskMBps(double value);

}  // namespace vigilix
