#include "statusmenu/status_menu.h"

#include <algorithm>
#include <set>
#include <string>

#include "health/protection_verifier.h"
#include "hub/trigger_bridge.h"
#include "menubar/menu_header_view.h"
#include "platform/base/localized.h"
#include "platform/base/product.h"
#include "platform/base/text.h"
#include "platform/defaults/user_defaults.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/weakly.h"
#include "platform/system/running_applications.h"
#include "platform/ui/application.h"

namespace vigilix {
namespace {

using platform::ControlStateValue;
using platform::localized;
using platform::Menu;
using platform::MenuItem;
using Target = std::weak_ptr<VGXStatusMenuActions>;
using Selector = void (VGXStatusMenuActions::*)(MenuItem&);

constexpr const char* kAllowDisplaySleepKey = "run.tarvo.vigilix.AllowDisplaySleep";
constexpr const char* kTriggersKey = "run.tarvo.vigilix.Triggers";

ControlStateValue stateOf(bool on) { return on ? ControlStateValue::On : ControlStateValue::Off; }

// The target is held weakly: a menu outliving its controller does nothing.
MenuItem::Action send(const Target& target, Selector selector) {
  return platform::weakly(target, selector);
}

std::shared_ptr<MenuItem> item(const std::string& title, bool enabled,
                               MenuItem::Action action = {}) {
  auto made = std::make_shared<MenuItem>(title);
  made->setEnabled(enabled);
  made->setAction(std::move(action));
  return made;
}

// Items of the workspace's running applications other than this one, by name.
std::shared_ptr<Menu> runningAppsMenu(const Target& target) {
  const std::string title = localized("An App Quits", "Watch a running app");
  auto menu = std::make_shared<Menu>(title);
  menu->setAutoenablesItems(false);
  std::vector<platform::RunningApplication> apps;
  std::set<std::string> listed;
  for (auto& app : platform::RunningApplications::current().runningApplications()) {
    if (app.processIdentifier <= 0 || !app.isRegular) continue;
    if (app.bundleIdentifier == platform::kProductIdentifier) continue;
    // One row per application: its first process (in pid order) stands for
    // the helpers and content processes it starts.
    if (app.bundleIdentifier && !listed.insert(*app.bundleIdentifier).second) continue;
    apps.push_back(std::move(app));
  }
  std::stable_sort(apps.begin(), apps.end(), [](const auto& a, const auto& b) {
    return platform::compareIgnoringCase(a.localizedName, b.localizedName) < 0;
  });
  if (apps.empty()) {
    menu->addItem(item(localized("No apps are running", "Empty running-apps submenu"), false));
    return menu;
  }
  for (const auto& app : apps) {
    std::string name = app.localizedName;
    if (name.empty()) name = app.bundleIdentifier.value_or(std::to_string(app.processIdentifier));
    auto row = item(name, true, send(target, &VGXStatusMenuActions::watchApp));
    row->setRepresentedObject(app.processIdentifier);
    menu->addItem(row);
  }
  return menu;
}

std::shared_ptr<Menu> untilMenu(bool blocked, const Target& target) {
  auto menu = std::make_shared<Menu>(localized("Keep Awake Until", "Until submenu"));
  menu->setAutoenablesItems(false);
  menu->addItem(item(localized("A Specific Time…", "Open the until-time picker"), !blocked,
                     send(target, &VGXStatusMenuActions::keepAwakeUntil)));
  menu->addItem(item(localized("A Download Finishes…", "Watch a file or folder"), !blocked,
                     send(target, &VGXStatusMenuActions::watchDownload)));
  auto apps = item(localized("An App Quits", "Watch a running app"), !blocked);
  apps->setSubmenu(runningAppsMenu(target));
  menu->addItem(apps);
  return menu;
}

void addAutomaticSection(const VGXTriggerBridge& hub, Menu& menu, platform::Date now,
                         const Target& target) {
  const AwakeSnapshot snapshot = hub.snapshot();
  const bool automation = hub.isAutomationEnabled();
  const bool forced = platform::UserDefaults::standard().objectIsForced(kTriggersKey);
  menu.addItem(item(localized("Automatic", "Automatic keep-awake section header"), false));
  auto toggle = item(localized("Enable Automatic Keep-Awake", "Toggle automation"), !forced,
                     send(target, &VGXStatusMenuActions::toggleAutomation));
  toggle->setCheckable(true);
  toggle->setState(stateOf(automation));
  menu.addItem(toggle);
  for (const VGXAutomaticRow& row : VGXStatusMenu::automaticRows(hub, now)) {
    auto shown = item(row.title, false);
    if (row.watchIdentifier && !forced) {
      shown->setEnabled(true);
      auto stop = std::make_shared<Menu>();
      auto stopItem = item(localized("Stop Watching", "Cancel an active watch"), true,
                           send(target, &VGXStatusMenuActions::stopWatch));
      stopItem->setRepresentedObject(*row.watchIdentifier);
      stop->addItem(stopItem);
      shown->setSubmenu(stop);
    }
    menu.addItem(shown);
  }
  const bool paused = !snapshot.pause.isNone();
  auto pause = item(paused ? localized("Resume Triggers", "Resume paused automation")
                           : localized("Pause for 1 Hour", "Pause automation for one hour"),
                    !forced && (automation || paused),
                    send(target, &VGXStatusMenuActions::pauseOrResumeTriggers));
  menu.addItem(pause);
  menu.addItem(item(localized("Edit Triggers…", "Open Triggers settings"), true,
                    send(target, &VGXStatusMenuActions::editTriggers)));
}

}  // namespace

VGXStatusMenu::Slots& VGXStatusMenu::slots() {
  static Slots filled;
  return filled;
}

VGXStatusMenu::Hooks& VGXStatusMenu::hooks() {
  static Hooks filled;
  return filled;
}

bool VGXStatusMenu::hasAttention() {
  if (const auto& read = hooks().hasAttention) return read();
  return VGXProtectionVerifier::shared().hasAttention();
}

void VGXStatusMenu::populate(const VGXTriggerBridge& hub, Menu& menu,
                             const std::shared_ptr<Menu>& durationsMenu,
                             const std::shared_ptr<VGXMenuHeaderView>& headerView,
                             const Target& target) {
  menu.setAutoenablesItems(false);
  menu.removeAllItems();
  const platform::Date now = platform::Clock::current().now();
  const AwakeSnapshot snapshot = hub.snapshot();
  const bool blocked = hub.isBlocked();

  auto header =
      item(localized("Keep Awake", "Menu header type-select title"), !blocked || snapshot.isAwake,
           send(target, &VGXStatusMenuActions::toggleKeepAwake));
  header->setTag(headerTag);
  header->setCheckable(true);  // the header's switch, where a host shows rows
  menu.addItem(header);
  if (headerView) {
    header->setView(headerView);
    refreshHeader(hub, *headerView, target);
  }
  menu.addItem(MenuItem::separatorItem());

  if (snapshot.primary.kind() == AwakeStatus::Kind::manualUntil) {
    menu.addItem(item(localized("Add 15 Minutes", "Extend the current timed session"), !blocked,
                      send(target, &VGXStatusMenuActions::extendFifteenMinutes)));
  }
  auto durations = item(localized("Keep Awake For", "Durations submenu"), !blocked);
  if (durationsMenu) {
    durationsMenu->setAutoenablesItems(false);
    for (const auto& duration : durationsMenu->items()) duration->setEnabled(!blocked);
    durations->setSubmenu(durationsMenu);
  }
  menu.addItem(durations);
  auto until = item(localized("Keep Awake Until", "Until submenu"), !blocked);
  until->setSubmenu(untilMenu(blocked, target));
  menu.addItem(until);

  const platform::UserDefaults& defaults = platform::UserDefaults::standard();
  auto displaySleep = item(localized("Allow Display to Sleep", "Display sleep menu item"),
                           !defaults.objectIsForced(kAllowDisplaySleepKey),
                           send(target, &VGXStatusMenuActions::toggleAllowDisplaySleep));
  displaySleep->setCheckable(true);
  displaySleep->setState(stateOf(defaults.boolValue(kAllowDisplaySleepKey).value_or(false)));
  menu.addItem(displaySleep);
  if (const auto& addClosedLid = slots().extraItemsHook) addClosedLid(menu);
  menu.addItem(MenuItem::separatorItem());

  addAutomaticSection(hub, menu, now, target);
  menu.addItem(MenuItem::separatorItem());

  if (hasAttention()) {
    menu.addItem(item(localized("Check Health…", "Open the keep-awake health sheet"), true,
                      send(target, &VGXStatusMenuActions::checkHealth)));
    menu.addItem(item(localized("Dismiss", "Acknowledge attention incidents"), true,
                      send(target, &VGXStatusMenuActions::dismissAttention)));
  }
  auto settings = item(localized("Settings…", "Open Settings"), true,
                       send(target, &VGXStatusMenuActions::showSettingsWindow));
  settings->setKeyEquivalent(",");
  menu.addItem(settings);
  menu.addItem(item(localized("About Vigilix", "About menu item"), true,
                    send(target, &VGXStatusMenuActions::showAboutVigilix)));
  auto quit = item(localized("Quit Vigilix", "Quit menu item"), true,
                   [](MenuItem&) { platform::Application::shared().terminate(); });
  quit->setKeyEquivalent("q");
  menu.addItem(quit);
}

void VGXStatusMenu::refreshHeader(const VGXTriggerBridge& hub, VGXMenuHeaderView& headerView,
                                  const Target& target) {
  headerView.setOnToggle(
      platform::weakly(target, [view = &headerView](VGXStatusMenuActions& actions, bool on) {
        if (on) {
          actions.startKeepAwakeFromHeader(*view);
        } else {
          actions.stopKeepAwakeFromHeader(*view);
        }
      }));
  const bool attention = hasAttention();
  headerView.setAttention(attention);
  const AwakeSnapshot snapshot = hub.snapshot();
  const std::string reasonLine = hub.headerReasonLine();
  const bool enabled = !hub.isBlocked() || snapshot.isAwake;
  std::optional<std::string> attentionText;
  if (const auto& line = hooks().attentionLine) attentionText = line();
  headerView.apply(reasonLine, snapshot.isAwake, enabled, attentionText);

  if (MenuItem* shownIn = headerView.enclosingMenuItem()) {
    shownIn->setState(stateOf(snapshot.isAwake));
    shownIn->setEnabled(enabled);
    std::vector<std::string> lines{reasonLine};
    if (attention && attentionText && !attentionText->empty() && *attentionText != reasonLine) {
      lines.push_back(*attentionText);
    }
    shownIn->setDetailLines(std::move(lines));
  }
}

}  // namespace vigilix
