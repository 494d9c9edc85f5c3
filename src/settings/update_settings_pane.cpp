#include "settings/update_settings_pane.h"

#include "core/dzl_app_updater.h"
#include "settings/settings_section.h"

namespace vigilix {

DZLUpdateSettingsViewController::DZLUpdateSettingsViewController(DZLAppUpdater& appUpdater)
    : appUpdater_(appUpdater),
      check_(platform::Button::withTitle("Check for Updates…")),
      answer_(secondaryLine("")) {
  check_->setAction([this](platform::Control&) { checkForUpdates(); });
  answer_->setHidden(true);
  view()->addArrangedSubview(check_);
  view()->addArrangedSubview(answer_);
}

void DZLUpdateSettingsViewController::checkForUpdates() {
  auto answer = appUpdater_.checkForUpdates();
  answer_->setStringValue(answer.value_or(""));
  answer_->setHidden(!answer);
  view()->setNeedsLayout(true);
}

}  // namespace vigilix
