#include "settings/triggers/triggers_apps_section.h"

#include <algorithm>

#include "menubar/awake_status_text.h"
#include "platform/base/localized.h"
#include "platform/ui/font.h"
#include "platform/ui/image.h"
#include "settings/triggers/add_apps_panel.h"
#include "settings/triggers/desktop_app_files.h"
#include "settings/triggers/triggers_pane_rows.h"

namespace vigilix {

using platform::localized;

VGXTriggersAppsSection::VGXTriggersAppsSection(std::shared_ptr<VGXTriggersSettingsModel> model)
    : model_(std::move(model)),
      section_(localized("Apps", "Triggers apps")),
      emptyHint_(secondaryLine(localized("Add apps such as Zoom or Geany.", "Triggers apps"))),
      list_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)),
      add_(platform::Button::withTitle(localized("Add", "Triggers apps") + " +")),
      remove_(platform::Button::withTitle(localized("Remove", "Triggers apps") + " \u2212")),
      menu_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)) {
  list_->setSpacing(2);
  list_->setAccessibilityElement(true);
  list_->setAccessibilityRole(platform::AccessibilityRole::Group);
  list_->setAccessibilityLabel(localized("Apps", "Triggers apps"));
  add_->setAccessibilityLabel(localized("Add app", "Triggers apps"));
  remove_->setAccessibilityLabel(localized("Remove app", "Triggers apps"));
  add_->setAction([this](platform::Control&) { toggleMenu(); });
  remove_->setAction([this](platform::Control&) { removeSelected(); });
  menu_->setSpacing(2);
  menu_->setEdgeInsets({0, 12, 0, 0});
  menu_->setHidden(true);
  section_.addRow(emptyHint_);
  section_.addRow(list_);
  section_.addRow(triggersPaneLine({add_, remove_}));
  section_.addRow(menu_);
  section_.setFooter(localized("Background apps count as running unless Only While Focused is on.",
                               "Triggers apps"));
  refresh();
}

void VGXTriggersAppsSection::refresh() {
  const auto& identifiers = model_->apps().appIdentifiers();
  emptyHint_->setHidden(!identifiers.empty());
  list_->setHidden(identifiers.empty());
  // Rows are made again only when what they show changed.
  std::vector<std::string> key = identifiers;
  for (const auto& identifier : identifiers)
    key.push_back(model_->apps().isFrontmostOnly(identifier) ? "1" : "0");
  key.push_back(model_->selectedApp.value_or(""));
  if (key != shownKey_) {
    shownKey_ = std::move(key);
    rebuildRows();
  }
  remove_->setEnabled(model_->selectedApp.has_value());
  add_->setEnabled(true);
  section_.view()->setNeedsLayout(true);
}

void VGXTriggersAppsSection::rebuildRows() {
  retired_ = std::move(rows_);
  rows_.clear();
  list_->removeAllArrangedSubviews();
  const auto& identifiers = model_->apps().appIdentifiers();
  const auto icons = appIconNames(identifiers, userApplicationFolders());
  for (std::size_t i = 0; i < identifiers.size(); ++i) {
    const std::string& identifier = identifiers[i];
    TriggersAppRow row{identifier, nullptr, nullptr, nullptr};
    const bool selected = model_->selectedApp == identifier;
    row.name = platform::Button::withTitle(AwakeStatusText::defaultAppName(identifier));
    row.name->setBordered(false);
    row.name->setFont(platform::Font::systemFont(
        platform::Font::systemFontSize(),
        selected ? platform::Font::Weight::Bold : platform::Font::Weight::Regular));
    row.name->setAccessibilityLabel(model_->appRowAccessibilityLabel(identifier));
    row.name->setAccessibilityValue(selected ? std::optional<std::string>("selected")
                                             : std::nullopt);
    row.name->setAction([this, identifier](platform::Control&) {
      model_->selectedApp = identifier;
      refresh();
    });
    row.frontmostOnly =
        platform::CheckBox::withTitle(localized("Only While Focused", "Triggers app row"));
    row.frontmostOnly->setState(checkState(model_->apps().isFrontmostOnly(identifier)));
    row.frontmostOnly->setAction([this, identifier](platform::Control& sender) {
      const bool on = static_cast<platform::CheckBox&>(sender).isOn();
      model_->editApps([&](AppListModel& apps) { apps.setFrontmostOnly(on, identifier); });
    });
    // The icon is for the eye only: the name says it all.
    auto icon = std::make_shared<platform::ImageView>();
    icon->setImage(platform::Image::themeIcon(icons[i], std::nullopt));
    icon->setFrameSize({16, 16});
    icon->setAccessibilityElement(false);
    row.view = triggersPaneLine({icon, row.name, row.frontmostOnly});
    row.view->setSpacing(12);
    list_->addArrangedSubview(row.view);
    rows_.push_back(std::move(row));
  }
}

void VGXTriggersAppsSection::removeSelected() {
  if (!model_->selectedApp) return;
  const std::string identifier = *model_->selectedApp;
  model_->editApps([&](AppListModel& apps) { apps.remove(identifier); });
}

void VGXTriggersAppsSection::undoRemoval() {
  if (!model_->apps().canUndo()) return;
  model_->editApps([](AppListModel& apps) { apps.undoRemoval(); });
}

void VGXTriggersAppsSection::toggleMenu() {
  if (!menu_->isHidden()) {
    closeMenu();
    return;
  }
  retiredEntries_ = std::move(entries_);
  entries_.clear();
  menu_->removeAllArrangedSubviews();
  for (const RunningApp& app : VGXTriggersSettingsModel::runningApps()) {
    auto entry = platform::Button::withTitle(app.name);
    entry->setBordered(false);
    entry->setAction([this, identifier = app.identifier](platform::Control&) {
      closeMenu();
      model_->editApps([&](AppListModel& apps) { apps.add(identifier); });
    });
    entries_.push_back(entry);
  }
  auto choose = platform::Button::withTitle(localized("Choose Application\u2026", "Triggers apps"));
  choose->setBordered(false);
  choose->setAction([this](platform::Control&) {
    closeMenu();
    beginAddAppsPanel(model_);
  });
  entries_.push_back(choose);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    // The divider stands before "Choose Application…".
    if (i + 1 == entries_.size() && entries_.size() > 1)
      menu_->addArrangedSubview(secondaryLine("\u2014"));
    menu_->addArrangedSubview(entries_[i]);
  }
  menu_->setHidden(false);
  section_.view()->setNeedsLayout(true);
}

void VGXTriggersAppsSection::closeMenu() {
  menu_->setHidden(true);
  section_.view()->setNeedsLayout(true);
}

}  // namespace vigilix
