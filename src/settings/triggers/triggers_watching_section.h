#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/alert.h"
#include "platform/ui/button.h"
#include "platform/ui/open_panel.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"
#include "settings/settings_section.h"
#include "settings/triggers/triggers_settings_hub.h"
#include "settings/triggers/triggers_settings_model.h"

namespace vigilix {

// One active watch as the section shows it.
struct TriggersWatchRow {
  std::string id;
  std::shared_ptr<platform::TextField> clause;
  std::shared_ptr<platform::Button> stop;
};

// The "Watching" section: a row per active watch with "Stop", then "Watch a
// Download…" and "Keep Awake Until an App Quits…", whose running apps open
// under the button. Watches start and end in the hub. Main thread only.
class VGXTriggersWatchingSection {
 public:
  VGXTriggersWatchingSection(std::shared_ptr<VGXTriggersSettingsModel> model,
                             std::shared_ptr<TriggersSettingsHub> hub);

  const std::shared_ptr<platform::StackView>& view() const { return section_.view(); }
  // Reads the hub's watches; rows are made again only when they changed.
  void refresh();

  const std::vector<TriggersWatchRow>& rows() const { return rows_; }
  const std::shared_ptr<platform::Button>& watchDownloadButton() const { return download_; }
  const std::shared_ptr<platform::Button>& watchAppButton() const { return watchApp_; }
  // The "Watch a Download…" panel while it is open, and the alert of a refused watch.
  const std::shared_ptr<platform::OpenPanel>& downloadPanel() const { return panel_; }
  const std::shared_ptr<platform::Alert>& refusalAlert() const { return alert_; }

 private:
  void toggleAppMenu();
  void watchDownload();

  std::shared_ptr<VGXTriggersSettingsModel> model_;
  std::shared_ptr<TriggersSettingsHub> hub_;
  VGXSettingsSection section_;
  std::shared_ptr<platform::StackView> list_;
  std::shared_ptr<platform::Button> download_;
  std::shared_ptr<platform::Button> watchApp_;
  std::shared_ptr<platform::StackView> appMenu_;
  std::vector<TriggersWatchRow> rows_;
  std::vector<TriggersWatchRow> retired_;
  std::vector<std::shared_ptr<platform::Button>> entries_;
  std::vector<std::shared_ptr<platform::Button>> retiredEntries_;
  std::vector<std::string> shownIds_;
  std::shared_ptr<platform::OpenPanel> panel_;
  std::shared_ptr<platform::Alert> alert_;
  // The panel and the alert outlive a section that goes meanwhile; they ask this first.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vigilix
