#include "hub_fixture.h"
#include "platform/system/file_paths.h"
#include "testing/fake_bookmarks.h"
#include "testing/fake_files.h"
#include "testing/fake_system.h"
#include "triggers/watch_store.h"

namespace vigilix::scenarios {
namespace {

using Step = std::function<void()>;
using platform::PropertyDictionary;

const VGXSavedWatchState kActive = VGXSavedWatchState::active();
const VGXSavedWatchState kStopped = VGXSavedWatchState::stopped();
const VGXSavedWatchState kSuspended = VGXSavedWatchState::suspended("Choose the file again");

// The hub over an in-memory file tree with bookmarks that follow moves, and
// a list of running applications; records the watch notifications.
class HubWatchesTest : public HubScenario {
 public:
  HubWatchesTest() {
    platform::RunningApplications::setCurrent(&apps);
    hub = composeHub({.defaults = &defaults(),
                      .resolveBookmark = platformBookmarkResolver(),
                      .makeSampler = [] { return std::make_shared<QuietSampler>(); }});
  }
  ~HubWatchesTest() override {
    hub.reset();
    platform::RunningApplications::setCurrent(nullptr);
  }

  std::optional<VGXSavedWatchState> savedState(const platform::UUID& id) {
    for (const auto& entry : VGXWatchStore(defaults()).load()) {
      if (entry.id == id.uuidString()) return entry.state;
    }
    return std::nullopt;
  }
  // A running application with its own process.
  platform::RunningApplication& launch(const std::string& bundle) {
    auto& app = apps.add(bundle);
    app.processIdentifier = platform.processes().start();
    app.localizedName = "Editor";
    return app;
  }

  testing::FakeFiles files;
  testing::FakeBookmarks bookmarks{&files};
  testing::FakeRunningApplications apps;
  std::vector<PropertyDictionary> finished;
  int changes = 0;
  platform::ObserverHandle finishedObserver =
      platform::NotificationCenter::defaultCenter().addObserver(
          kWatchFinishedNotification, nullptr, nullptr,
          [this](const platform::Notification& note) { finished.push_back(note.userInfo); });
  platform::ObserverHandle changeObserver =
      platform::NotificationCenter::defaultCenter().addObserver(
          kWatchesChangedNotification, nullptr, nullptr, [this](auto&) { ++changes; });
};

// A saved state of active means still live, stopped finished, none refused.
TEST_F(HubWatchesTest, AFileWatchEndsWhenItsDownloadFinishesOrItsFileGoes) {
  startHub();
  struct Row {
    const char* name;
    std::string path;
    Step after;  // the watch
    double wait;
    std::optional<VGXSavedWatchState> saved;
  };
  const std::string partial = "/dl/b.zip.crdownload";
  const Row rows[] = {
      {"a steady file still runs 55 s on", "/dl/a.iso", [] {}, 55, kActive},
      {"and finishes 60 s after its size last changed", "/dl/a.iso", [] {}, 60, kStopped},
      {"a partial download renamed to its final name finishes at the next check", partial,
       [&] { files.move(partial, "/dl/b.zip"); }, 5, kStopped},
      {"a deleted file is suspended without a finished notice", "/dl/a.iso",
       [&] { files.remove("/dl/a.iso"); }, 5, kSuspended},
      {"the same file twice: one watch", "/dl/a.iso",
       [&] { EXPECT_TRUE(hub->watchFileAt("/dl/a.iso")); }, 0, kActive},
      {"a file that cannot be bookmarked is refused", "/dl/refused.iso", [] {}, 0, std::nullopt},
      {"a missing file is refused", "/dl/none.iso", [] {}, 0, std::nullopt},
  };
  files.addFile("/dl/refused.iso", 100);
  bookmarks.refuseBookmark("/dl/refused.iso");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub->stopKeepingAwake();
    files.addFile("/dl/a.iso", 100);
    files.addFile(partial, 100);
    finished.clear();
    EXPECT_EQ(hub->watchFileAt(row.path), row.saved.has_value());
    const auto id = row.saved ? hub->activeWatches().at(0).id : platform::UUID();
    changes = 0;
    row.after();
    platform.advance(row.wait);

    const bool live = row.saved == kActive;
    EXPECT_EQ(hub->activeWatches().size(), live ? 1u : 0u);
    EXPECT_EQ(hub->isAwake(), live);
    EXPECT_EQ(bookmarks.heldAccess().empty(), !live) << "access is held only while live";
    EXPECT_EQ(changes > 0, row.saved && !live);
    std::vector<PropertyDictionary> notices;
    if (row.saved == kStopped) {
      notices.push_back({{"kind", "file"}, {"name", platform::lastPathComponent(row.path)}});
    }
    EXPECT_EQ(finished, notices);
    EXPECT_EQ(savedState(id), row.saved);
  }
}

TEST_F(HubWatchesTest, AppAndProcessWatchesFinishAsAppsWithTheirLabels) {
  startHub();
  // What an idle hub keeps armed: an ended watch leaves no timer or process source behind.
  const std::size_t idlePending = platform.scheduler().pendingCount();
  std::int32_t pid = 0;
  struct Row {
    const char* name;
    std::function<bool()> start;
    std::string label;
    Step end;
  };
  const Row rows[] = {
      {"a label of spaces names the process",
       [&] { return hub->watchProcessWithPid(pid = platform.processes().start(), "   "); },
       "process ", [&] { platform.processes().exit(pid); }},
      {"a long label keeps 200 characters",
       [&] {
         return hub->watchProcessWithPid(pid = platform.processes().start(), std::string(300, 'x'));
       },
       std::string(200, 'x'), [&] { platform.processes().exit(pid); }},
      {"an app relaunched under another process",
       [&] {
         return hub->watchAppWithProcessIdentifier(
             pid = launch("org.example.editor").processIdentifier);
       },
       "Editor",
       [&] {
         platform.processes().exit(pid);
         apps.applications.back().processIdentifier = platform.processes().start();
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    finished.clear();
    ASSERT_TRUE(row.start());
    const std::string label = row.label == "process " ? row.label + std::to_string(pid) : row.label;
    EXPECT_EQ(hub->activeWatches().at(0).label(), label);
    row.end();
    platform.advance(5);
    EXPECT_TRUE(hub->activeWatches().empty());
    EXPECT_EQ(platform.scheduler().pendingCount(), idlePending);
    EXPECT_EQ(finished, (std::vector<PropertyDictionary>{{{"kind", "app"}, {"name", label}}}));
  }
}

TEST_F(HubWatchesTest, RestoreBringsBackWhatStillRunsAndMarksTheRest) {
  files.addFile("/dl/old.iso", 100);
  files.addFile("/dl/gone.iso", 100);
  const auto moved = bookmarks.createBookmark("/dl/old.iso").value();
  const auto gone = bookmarks.createBookmark("/dl/gone.iso").value();
  files.move("/dl/old.iso", "/dl/new.iso");
  bookmarks.fileMoved("/dl/old.iso", "/dl/new.iso");
  files.remove("/dl/gone.iso");
  const auto& editor = launch("org.example.editor");
  struct Row {
    const char* name;
    WatchKind kind;
    platform::Bytes bookmark;
    VGXSavedWatchState state;
    VGXSavedWatchState after;  // live again when active
  };
  const std::int32_t pid = editor.processIdentifier;
  const Row rows[] = {
      {"a moved file follows its bookmark", WatchKind::file("/dl/old.iso", "old.iso"), moved,
       kActive, kActive},
      {"a file that is gone is suspended", WatchKind::file("/dl/gone.iso", "gone.iso"), gone,
       kActive, kSuspended},
      {"a running app", WatchKind::app(pid, "org.example.editor", "Editor"), {}, kActive, kActive},
      {"another app under its process",
       WatchKind::app(pid, "org.example.other", "Other"),
       {},
       kActive,
       kStopped},
      {"a process never survives a restart",
       WatchKind::process(pid, "build"),
       {},
       kActive,
       kStopped},
      {"a suspended entry stays so", WatchKind::file("/dl/new.iso", "new.iso"), moved, kSuspended,
       kSuspended},
  };
  std::vector<VGXSavedWatch> saved;
  for (const Row& row : rows) {
    const Watch watch{platform::UUID::generate(), row.kind, now() - 60};
    saved.push_back({watch.id.uuidString(), "Saved name", row.bookmark, row.state, watch});
  }
  VGXWatchStore(defaults()).setWatches(saved);

  startHub();

  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].name);
    const auto id = platform::UUID::fromString(saved[i].id).value();
    const auto live = std::ranges::find(hub->activeWatches(), id, &Watch::id);
    EXPECT_EQ(live != hub->activeWatches().end(), rows[i].after == kActive);
    EXPECT_EQ(savedState(id), rows[i].after);
  }
  ASSERT_EQ(hub->activeWatches().size(), 2u);
  EXPECT_EQ(hub->activeWatches()[0].kind, WatchKind::file("/dl/new.iso", "Saved name"));
  const std::size_t watching = platform.scheduler().pendingCount();
  for (const auto& watch : std::vector(hub->activeWatches())) {
    hub->cancelWatchWithIDString(watch.id.uuidString());
  }
  platform.runUntilIdle();
  EXPECT_LT(platform.scheduler().pendingCount(), watching) << "the restored watches were checked";
}

TEST_F(HubWatchesTest, OnlyASavedEntryThatStoppedEndsAWatchOnASettingsChange) {
  struct Row {
    const char* name;
    Step before;  // the watch
    std::function<void(const platform::UUID&)> change;
    std::optional<VGXSavedWatchState> saved;  // the watch ends when stopped
  };
  auto otherSetting = [this](const platform::UUID&) { defaults().set("VGXStopWhenHot", true); };
  const Row rows[] = {
      {"a watch the store refused to record keeps running",
       [this] { defaults().set(kSavedWatchesKey, platform::Bytes{'{'}); }, otherSetting,
       std::nullopt},
      {"a watch whose entry is active keeps running", [] {}, otherSetting, kActive},
      {"a watch whose entry stopped elsewhere ends", [] {},
       [this](const platform::UUID& id) {
         VGXWatchStore(defaults()).setState(id.uuidString(), kStopped);
       },
       kStopped},
      {"the stop command ends it and stops its entry", [] {},
       [this](const platform::UUID&) { hub->stopKeepingAwake(); }, kStopped},
  };
  files.addFile("/dl/a.iso", 100);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    defaults().remove(kSavedWatchesKey);
    row.before();
    startHub();
    ASSERT_TRUE(hub->watchFileAt("/dl/a.iso"));
    const auto id = hub->activeWatches().at(0).id;
    row.change(id);
    platform.runUntilIdle();
    EXPECT_EQ(hub->activeWatches().empty(), row.saved == kStopped);
    EXPECT_EQ(savedState(id), row.saved);
  }
}

}  // namespace
}  // namespace vigilix::scenarios
