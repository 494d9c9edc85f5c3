#include "settings/triggers/triggers_watching_section.h"

#include <algorithm>

#include "menubar/awake_status_text.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/base/text.h"
#include "platform/fs/user_dirs.h"
#include "platform/system/running_applications.h"
#include "settings/triggers/triggers_pane_rows.h"

namespace vigilix {

using platform::localized;

namespace {

// The running desktop applications by name, a missing name first; equal
// names keep the workspace's order.
std::vector<platform::RunningApplication> watchableApps() {
  std::vector<platform::RunningApplication> apps;
  for (auto& app : platform::RunningApplications::current().runningApplications())
    if (app.isRegular && app.bundleIdentifier) apps.push_back(std::move(app));
  std::ranges::stable_sort(apps, [](const auto& a, const auto& b) {
    return platform::compareIgnoringCase(a.localizedName, b.localizedName) < 0;
  });
  return apps;
}

}  // namespace

VGXTriggersWatchingSection::VGXTriggersWatchingSection(
    std::shared_ptr<VGXTriggersSettingsModel> model, std::shared_ptr<TriggersSettingsHub> hub)
    : model_(std::move(model)),
      hub_(std::move(hub)),
      section_(localized("Watching", "Triggers watches")),
      list_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)),
      download_(
          platform::Button::withTitle(localized("Watch a Download\u2026", "Triggers watches"))),
      watchApp_(platform::Button::withTitle(
          localized("Keep Awake Until an App Quits\u2026", "Triggers watches"))),
      appMenu_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)) {
  list_->setSpacing(4);
  download_->setAccessibilityLabel(
      localized("Choose a file or folder to watch", "Watch file accessibility label"));
  watchApp_->setAccessibilityLabel(
      localized("Pick a running app to watch", "Watch app accessibility label"));
  download_->setAction([this](platform::Control&) { watchDownload(); });
  watchApp_->setAction([this](platform::Control&) { toggleAppMenu(); });
  appMenu_->setSpacing(2);
  appMenu_->setEdgeInsets({0, 12, 0, 0});
  appMenu_->setHidden(true);
  section_.addRow(list_);
  auto buttons = platform::StackView::make(platform::StackView::Orientation::Horizontal,
                                           {download_, watchApp_});
  section_.addRow(buttons);
  section_.addRow(appMenu_);
  refresh();
}

void VGXTriggersWatchingSection::refresh() {
  const std::vector<Watch> watches = hub_ ? hub_->activeWatches() : std::vector<Watch>{};
  std::vector<std::string> ids;
  for (const Watch& watch : watches) ids.push_back(watch.id.uuidString());
  list_->setHidden(watches.empty());
  if (ids == shownIds_) return;
  shownIds_ = ids;
  retired_ = std::move(rows_);
  rows_.clear();
  list_->removeAllArrangedSubviews();
  const StatusTextContext context = hub_ ? hub_->statusTextContext() : StatusTextContext{};
  for (const Watch& watch : watches) {
    TriggersWatchRow row{watch.id.uuidString(),
                         platform::TextField::labelWithString(
                             AwakeStatusText::reasonClause(watch.triggerReason(), context)),
                         platform::Button::withTitle(localized("Stop", "Triggers watches"))};
    row.stop->setAccessibilityLabel(platform::fillPlaceholders(
        localized("Stop watching %@", "Watch stop accessibility label"), {watch.label()}));
    row.stop->setAction([this, id = row.id](platform::Control&) {
      if (hub_) hub_->stopWatch(id);
      refresh();
      model_->refreshLiveFooter();
    });
    list_->addArrangedSubview(triggersPaneLine({row.clause, row.stop}));
    rows_.push_back(std::move(row));
  }
  section_.view()->setNeedsLayout(true);
}

void VGXTriggersWatchingSection::watchDownload() {
  panel_ = platform::OpenPanel::make();
  panel_->setCanChooseFiles(true);
  panel_->setCanChooseDirectories(true);
  panel_->setAllowsMultipleSelection(false);
  if (const auto downloads = platform::userDownloadsFolder()) panel_->setDirectory(*downloads);
  const std::weak_ptr<bool> alive = alive_;
  panel_->begin([this, alive](platform::ModalResponse response, std::vector<std::string> paths) {
    if (!alive.lock()) return;
    panel_.reset();
    if (response != platform::ModalResponse::OK || paths.empty()) return;
    if (!model_->watchDownload(paths.front())) {
      alert_ = platform::Alert::make();
      alert_->setMessageText(
          localized("This download couldn\u2019t be watched.", "Watch creation error"));
      alert_->setInformativeText(localized("Choose an accessible file or folder and try again.",
                                           "Watch creation recovery"));
      alert_->presentModal([this, alive](platform::ModalResponse) {
        if (alive.lock()) alert_.reset();
      });
    }
    refresh();
    model_->refreshLiveFooter();
  });
}

void VGXTriggersWatchingSection::toggleAppMenu() {
  if (!appMenu_->isHidden()) {
    appMenu_->setHidden(true);
    section_.view()->setNeedsLayout(true);
    return;
  }
  retiredEntries_ = std::move(entries_);
  entries_.clear();
  appMenu_->removeAllArrangedSubviews();
  for (const auto& app : watchableApps()) {
    auto entry = platform::Button::withTitle(app.localizedName);
    entry->setBordered(false);
    entry->setAction([this, pid = app.processIdentifier](platform::Control&) {
      appMenu_->setHidden(true);
      if (hub_) hub_->watchApp(pid);
      refresh();
      model_->refreshLiveFooter();
    });
    appMenu_->addArrangedSubview(entry);
    entries_.push_back(entry);
  }
  appMenu_->setHidden(false);
  section_.view()->setNeedsLayout(true);
}

}  // namespace vigilix
