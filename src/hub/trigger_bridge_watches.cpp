#include <algorithm>
#include <cctype>
#include <string>

#include "agents/cli_protocol.h"
#include "hub/trigger_bridge.h"
#include "platform/base/text.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_process_source.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/run_loop.h"
#include "platform/runloop/weakly.h"
#include "platform/system/bookmarks.h"
#include "platform/system/file_paths.h"
#include "platform/system/file_resources.h"
#include "platform/system/proc_values.h"
#include "platform/system/running_applications.h"
#include "triggers/watch_store.h"

namespace vigilix {

using platform::weakly;
namespace {

constexpr const char* kChooseFileAgain = "Choose the file again";
constexpr const char* kFinishedKindKey = "kind";
constexpr const char* kFinishedNameKey = "name";

// The running application with this identifier, if any.
std::optional<platform::RunningApplication> runningApplication(
    platform::RunningApplications& applications, std::int32_t pid) {
  for (auto& application : applications.runningApplications()) {
    if (application.processIdentifier == pid) return application;
  }
  return std::nullopt;
}

std::string processLabel(std::int32_t pid, const std::string& label) {
  const std::string_view trimmed = platform::trimmedText(label);
  if (trimmed.empty()) return "process " + std::to_string(pid);
  return std::string(platform::prefixGraphemes(trimmed, VGXCLIProtocol::maxLabelCharacters));
}

// A browser's partial download renamed to its final name has finished.
bool renamedToFinalName(const platform::FileResources& files, const std::string& path) {
  std::string extension = platform::pathExtension(path);
  std::ranges::transform(extension, extension.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension != "crdownload" && extension != "download") return false;
  return !files.fileExists(path) && files.fileExists(platform::deletingPathExtension(path));
}

}  // namespace

bool VGXTriggerBridge::watchFileAt(const std::string& path) {
  for (const Watch& watch : activeWatches_) {
    if (const auto* file = watch.kind.asFile(); file && file->path == path) return true;
  }
  const bool granted = platform_.bookmarks->startAccessing(path);
  const auto release = [&] {
    if (granted) platform_.bookmarks->stopAccessing(path);
  };
  const std::optional<FileSnapshot> snapshot = FileCompletionDetector::snapshot(path);
  if (!snapshot) {
    release();
    return false;
  }
  auto bookmark = platform_.bookmarks->createBookmark(path);
  if (!bookmark) {
    release();
    return false;
  }
  Watch watch{platform::UUID::generate(), WatchKind::file(path, platform::lastPathComponent(path)),
              now()};
  activeWatches_.push_back(watch);
  watchURLs_[watch.id] = path;
  if (granted) scopedWatchIDs_.insert(watch.id);
  watchBookmarks_[watch.id.uuidString()] = *bookmark;
  // A store that cannot record it does not stop the watch.
  watchStore().upsert(watch, *bookmark);
  FileCompletionDetector detector(kWatchQuietSeconds);
  detector.observe(snapshot->totalBytes, snapshot->hasPartialFiles, watch.startedAt);
  watchDetectors_.insert_or_assign(watch.id, detector);
  watchesDidChange();
  return true;
}

bool VGXTriggerBridge::watchAppWithProcessIdentifier(std::int32_t processIdentifier) {
  if (processIdentifier < 1) return false;
  const auto application = runningApplication(*platform_.applications, processIdentifier);
  if (!application || !isWatchedProcessAlive(processIdentifier) || !application->bundleIdentifier) {
    return false;
  }
  for (const Watch& watch : activeWatches_) {
    if (const auto* app = watch.kind.asApp(); app && app->processIdentifier == processIdentifier) {
      return true;
    }
  }
  const std::string& bundle = *application->bundleIdentifier;
  Watch watch{
      platform::UUID::generate(),
      WatchKind::app(processIdentifier, bundle,
                     application->localizedName.empty() ? bundle : application->localizedName),
      now()};
  activeWatches_.push_back(watch);
  followProcess(processIdentifier);
  watchStore().upsert(watch, {});
  watchesDidChange();
  return true;
}

bool VGXTriggerBridge::watchProcessWithPid(std::int32_t pid, const std::string& label) {
  if (pid < 1 || !isWatchedProcessAlive(pid)) return false;
  for (const Watch& watch : activeWatches_) {
    if (const auto* process = watch.kind.asProcess();
        process && process->processIdentifier == pid) {
      ++processWatchClients_[pid];
      return true;
    }
  }
  processWatchClients_[pid] = 1;
  // Never saved: a process does not outlive a restart.
  activeWatches_.push_back(
      Watch{platform::UUID::generate(), WatchKind::process(pid, processLabel(pid, label)), now()});
  followProcess(pid);
  watchesDidChange();
  return true;
}

void VGXTriggerBridge::unwatchProcessWithPid(std::int32_t pid) {
  const auto count = processWatchClients_.find(pid);
  const int left = (count == processWatchClients_.end() ? 1 : count->second) - 1;
  if (left >= 1) {
    count->second = left;
    return;
  }
  processWatchClients_.erase(pid);
  std::vector<platform::UUID> ended;
  for (const Watch& watch : activeWatches_) {
    if (const auto* process = watch.kind.asProcess();
        process && process->processIdentifier == pid) {
      ended.push_back(watch.id);
    }
  }
  for (const platform::UUID& id : ended) removeWatch(id);
  if (!ended.empty()) watchesDidChange();
}

void VGXTriggerBridge::cancelWatchWithIDString(const std::string& idString) {
  const auto id = platform::UUID::fromString(idString);
  if (!id) return;
  watchStore().setState(id->uuidString(), VGXSavedWatchState::stopped());
  removeWatch(*id);
  watchesDidChange();
}

VGXWatchStore& VGXTriggerBridge::watchStore() {
  if (!watchStore_) {
    watchStore_ = std::make_unique<VGXWatchStore>(defaults_);
    watchStore_->load();
  }
  return *watchStore_;
}

void VGXTriggerBridge::endAllWatches() {
  std::vector<VGXSavedWatch> saved = watchStore().load();
  for (VGXSavedWatch& entry : saved) entry.state = VGXSavedWatchState::stopped();
  watchStore().save(saved, false);
  std::vector<platform::UUID> live;
  for (const Watch& watch : activeWatches_) live.push_back(watch.id);
  for (const platform::UUID& id : live) removeWatch(id);
}

// A watch the store never recorded (it could not write) has no entry and
// keeps running; only an entry that says otherwise ends it.
void VGXTriggerBridge::pruneWatchesAfterSettingsChange() {
  const std::vector<VGXSavedWatch> saved = watchStore().load();
  std::vector<platform::UUID> ended;
  for (const Watch& watch : activeWatches_) {
    if (watch.kind.isProcess()) continue;
    const std::string id = watch.id.uuidString();
    const auto entry = std::ranges::find(saved, id, &VGXSavedWatch::id);
    if (entry != saved.end() && !entry->state.isActive()) ended.push_back(watch.id);
  }
  for (const platform::UUID& id : ended) removeWatch(id);
}

void VGXTriggerBridge::removeWatch(const platform::UUID& id) {
  if (scopedWatchIDs_.erase(id) > 0) {
    if (auto url = watchURLs_.find(id); url != watchURLs_.end()) {
      platform_.bookmarks->stopAccessing(url->second);
    }
  }
  watchURLs_.erase(id);
  watchDetectors_.erase(id);
  watchBookmarks_.erase(id.uuidString());
  const auto first = std::ranges::find(activeWatches_, id, &Watch::id);
  if (first == activeWatches_.end()) return;
  std::optional<std::int32_t> followed;
  if (const auto* process = first->kind.asProcess()) {
    processWatchClients_.erase(process->processIdentifier);
    followed = process->processIdentifier;
  } else if (const auto* app = first->kind.asApp()) {
    followed = app->processIdentifier;
  }
  std::erase_if(activeWatches_, [&](const Watch& watch) { return watch.id == id; });
  if (followed) unfollowProcessIfUnwatched(*followed);
}

void VGXTriggerBridge::restoreWatches() {
  const platform::Date at = now();
  for (const VGXSavedWatch& entry : watchStore().load()) {
    const auto id = platform::UUID::fromString(entry.id);
    if (!entry.state.isActive() || !id ||
        std::ranges::find(activeWatches_, *id, &Watch::id) != activeWatches_.end()) {
      continue;
    }
    Watch watch = entry.watch.value_or(Watch{*id, WatchKind::file("", entry.label), at});
    // The entry's identifier is the one the store knows the watch by.
    watch.id = *id;
    if (watch.kind.isProcess()) {
      watchStore().setState(entry.id, VGXSavedWatchState::stopped());
      continue;
    }
    if (const auto* app = watch.kind.asApp()) {
      const auto running = runningApplication(*platform_.applications, app->processIdentifier);
      if (isWatchedProcessAlive(app->processIdentifier) && running &&
          running->bundleIdentifier == app->bundleIdentifier) {
        activeWatches_.push_back(watch);
        followProcess(app->processIdentifier);
      } else {
        watchStore().setState(entry.id, VGXSavedWatchState::stopped());
      }
      continue;
    }
    const std::optional<std::string> path =
        resolveBookmark_ ? resolveBookmark_(entry.bookmark) : std::nullopt;
    if (!path) {
      watchStore().setState(entry.id, VGXSavedWatchState::suspended(kChooseFileAgain));
      continue;
    }
    const bool granted = platform_.bookmarks->startAccessing(*path);
    if (!FileCompletionDetector::snapshot(*path)) {
      if (granted) platform_.bookmarks->stopAccessing(*path);
      watchStore().setState(entry.id, VGXSavedWatchState::suspended(kChooseFileAgain));
      continue;
    }
    watch.kind = WatchKind::file(*path, entry.label);
    if (granted) scopedWatchIDs_.insert(watch.id);
    watchURLs_[watch.id] = *path;
    watchBookmarks_[entry.id] = entry.bookmark;
    watchDetectors_.insert_or_assign(watch.id, FileCompletionDetector(kWatchQuietSeconds));
    activeWatches_.push_back(watch);
  }
  watchesDidChange();
}

void VGXTriggerBridge::watchesDidChange() {
  controller_.setWatchReasons(watchReasons());
  if (activeWatches_.empty()) {
    if (watchTimer_) watchTimer_->invalidate();
    watchTimer_.reset();
  } else if (!watchTimer_) {
    watchTimer_ = platform_.mainLoop->makeTimer(
        now() + kWatchCheckInterval, kWatchCheckInterval, true,
        weakly(this, [](VGXTriggerBridge& bridge) { bridge.evaluateWatches(); }));
    platform_.mainLoop->addTimer(watchTimer_, platform::RunLoopMode::Common);
  }
  persistAndPublish(now());
  platform_.notifications->post(kWatchesChangedNotification, this);
}

void VGXTriggerBridge::evaluateWatches() {
  const platform::Date at = now();
  std::vector<Watch> finished;
  std::vector<platform::UUID> missing;
  for (const Watch& watch : activeWatches_) {
    if (const auto* process = watch.kind.asProcess()) {
      if (!isWatchedProcessAlive(process->processIdentifier)) finished.push_back(watch);
    } else if (const auto* app = watch.kind.asApp()) {
      const auto running = runningApplication(*platform_.applications, app->processIdentifier);
      if (!isWatchedProcessAlive(app->processIdentifier) || !running ||
          running->bundleIdentifier != app->bundleIdentifier) {
        finished.push_back(watch);
      }
    } else if (const auto* file = watch.kind.asFile()) {
      const auto url = watchURLs_.find(watch.id);
      const std::string target = url != watchURLs_.end() ? url->second : file->path;
      if (renamedToFinalName(*platform_.files, file->path)) {
        finished.push_back(watch);
        continue;
      }
      const std::optional<FileSnapshot> snapshot = FileCompletionDetector::snapshot(target);
      if (!snapshot) {
        if (!platform_.files->fileExists(target)) missing.push_back(watch.id);
        continue;
      }
      auto detector = watchDetectors_.find(watch.id);
      if (detector != watchDetectors_.end() &&
          detector->second.observe(snapshot->totalBytes, snapshot->hasPartialFiles, at)) {
        finished.push_back(watch);
      }
    }
  }
  if (finished.empty() && missing.empty()) return;
  for (const platform::UUID& id : missing) {
    watchStore().setState(id.uuidString(), VGXSavedWatchState::suspended(kChooseFileAgain));
    removeWatch(id);
  }
  if (finished.empty()) {
    watchesDidChange();
    return;
  }
  for (const Watch& watch : finished) {
    watchStore().setState(watch.id.uuidString(), VGXSavedWatchState::stopped());
    removeWatch(watch.id);
  }
  watchesDidChange();
  for (const Watch& watch : finished) {
    platform_.notifications->post(kWatchFinishedNotification, this,
                                  {{kFinishedKindKey, watch.kind.isFile() ? "file" : "app"},
                                   {kFinishedNameKey, watch.label()}});
  }
}

std::vector<TriggerReason> VGXTriggerBridge::watchReasons() const {
  std::vector<TriggerReason> reasons;
  reasons.reserve(activeWatches_.size());
  for (const Watch& watch : activeWatches_) reasons.push_back(watch.triggerReason());
  return reasons;
}

bool VGXTriggerBridge::isWatchedProcessAlive(std::int32_t pid) {
  if (auto followed = watchedProcesses_.find(pid); followed != watchedProcesses_.end()) {
    return !followed->second.exited;
  }
  return platform::DispatchProcessSource::make(pid, *platform_.mainQueue) != nullptr;
}

void VGXTriggerBridge::followProcess(std::int32_t pid) {
  if (watchedProcesses_.contains(pid)) return;
  WatchedProcess& followed = watchedProcesses_[pid];
  followed.source = platform::DispatchProcessSource::make(pid, *platform_.mainQueue);
  // Gone between the check and now: the next check ends its watches.
  if (!followed.source) {
    followed.exited = true;
    return;
  }
  followed.source->setEventHandler(weakly(this, [pid](VGXTriggerBridge& bridge) {
    if (auto entry = bridge.watchedProcesses_.find(pid); entry != bridge.watchedProcesses_.end()) {
      entry->second.exited = true;
    }
  }));
  followed.source->resume();
}

void VGXTriggerBridge::unfollowProcessIfUnwatched(std::int32_t pid) {
  const bool stillWatched = std::ranges::any_of(activeWatches_, [pid](const Watch& watch) {
    const auto* app = watch.kind.asApp();
    const auto* process = watch.kind.asProcess();
    return (app && app->processIdentifier == pid) || (process && process->processIdentifier == pid);
  });
  if (stillWatched) return;
  auto followed = watchedProcesses_.find(pid);
  if (followed == watchedProcesses_.end()) return;
  if (followed->second.source) followed->second.source->cancel();
  watchedProcesses_.erase(followed);
}

}  // namespace vigilix
