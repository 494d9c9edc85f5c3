#include "settings/triggers/app_list_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "testing/pinned_locale.h"

namespace vigilix {
namespace {

using Strings = std::vector<std::string>;

TEST(AppListModelTest, OperationsAndUndo) {
  struct Row {
    const char* name;
    Strings apps;
    Strings frontmost;
    std::function<void(AppListModel&)> edit;
    Strings expectedApps;
    Strings expectedFrontmost;
    bool canUndo;
  };
  const Row rows[] = {
      {"added apps go to the end, trimmed",
       {"code"},
       {},
       [](AppListModel& m) { m.add("  firefox \n"); },
       {"code", "firefox"},
       {},
       false},
      {"blank adds nothing",
       {"code"},
       {},
       [](AppListModel& m) { m.add(" \t\n"); },
       {"code"},
       {},
       false},
      {"the same app in capitals adds nothing",
       {"code"},
       {},
       [](AppListModel& m) { m.add("CODE"); },
       {"code"},
       {},
       false},
      {"remove by identifier ignores case and drops the mark",
       {"code", "gimp"},
       {"Code"},
       [](AppListModel& m) { m.remove("CODE"); },
       {"gimp"},
       {},
       true},
      {"removing an unknown app does nothing",
       {"code"},
       {},
       [](AppListModel& m) { m.remove("gimp"); },
       {"code"},
       {},
       false},
      {"positions outside the list are skipped",
       {"code"},
       {},
       [](AppListModel& m) { m.remove(std::set<std::size_t>{4}); },
       {"code"},
       {},
       false},
      {"two removed in one step come back with one undo, marks included",
       {"a", "b", "c", "d"},
       {"b", "D"},
       [](AppListModel& m) {
         m.remove(std::set<std::size_t>{1, 3});
         m.undoRemoval();
       },
       {"a", "b", "c", "d"},
       {"b", "d"},
       false},
      {"undo takes back the newest group first",
       {"a", "b", "c"},
       {},
       [](AppListModel& m) {
         m.remove("a");
         m.remove("c");
         m.undoRemoval();
       },
       {"b", "c"},
       {},
       true},
      {"re-adding by hand purges the undo history",
       {"a", "b"},
       {},
       [](AppListModel& m) {
         m.remove("a");
         m.add("A");
         m.undoRemoval();
       },
       {"b", "A"},
       {},
       false},
      // A stored list may hold an app twice in different case; re-adding one
      // then shortens the list under a pending undo.
      {"a stored position beyond the end appends",
       {"a", "A", "b"},
       {},
       [](AppListModel& m) {
         m.remove(std::set<std::size_t>{2});
         m.remove("A");
         m.add("a");
         m.undoRemoval();
       },
       {"A", "b"},
       {},
       false},
      {"mark takes the list's letter case; unmark ignores case",
       {"Code", "gimp"},
       {},
       [](AppListModel& m) {
         m.setFrontmostOnly(true, "code");
         m.setFrontmostOnly(true, "GIMP");
         m.setFrontmostOnly(false, "gImP");
         m.setFrontmostOnly(true, "absent");
       },
       {"Code", "gimp"},
       {"Code"},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AppListModel model(row.apps, row.frontmost);
    row.edit(model);
    EXPECT_EQ(model.appIdentifiers(), row.expectedApps);
    EXPECT_EQ(model.frontmostOnly(), row.expectedFrontmost);
    EXPECT_EQ(model.canUndo(), row.canUndo);
  }
}

TEST(AppListModelTest, ThresholdClamps) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* name;
    double (*clamp)(double);
    double in;
    double out;
  };
  const Row rows[] = {
      {"network in range", clampedNetworkMBps, 2.5, 2.5},
      {"network low", clampedNetworkMBps, 0.01, 0.1},
      {"network high", clampedNetworkMBps, 5000, 1000},
      {"network no number", clampedNetworkMBps, nan, 1.0},
      {"cpu low", clampedCPUPercent, 0, 1},
      {"cpu high", clampedCPUPercent, 250, 100},
      {"cpu no number", clampedCPUPercent, nan, 50},
      {"disk low", clampedDiskMBps, 0.5, 1},
      {"disk high", clampedDiskMBps, 5000, 2000},
      {"disk infinite", clampedDiskMBps, inf, 20},
      {"disk no number", clampedDiskMBps, nan, 20},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.clamp(row.in), row.out);
  }
}

}  // namespace
}  // namespace vigilix
