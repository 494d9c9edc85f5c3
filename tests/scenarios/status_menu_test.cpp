#include "statusmenu/status_menu.h"

#include <functional>
#include <string>
#include <vector>

#include "hub_fixture.h"
#include "menubar/menu_header_view.h"
#include "platform/power/thermal_state.h"
#include "platform/ui/application.h"
#include "testing/fake_system.h"

namespace vigilix::scenarios {
namespace {

using platform::Menu;
using platform::MenuItem;

// Records every action by name, with the sender's represented object.
class RecordingTarget : public VGXStatusMenuActions {
 public:
  std::vector<std::string> calls;

  void record(const char* name, const MenuItem* sender) {
    std::string call = name;
    if (sender) {
      if (auto* pid = std::get_if<std::int32_t>(&sender->representedObject())) {
        call += " " + std::to_string(*pid);
      } else if (auto* text = std::get_if<std::string>(&sender->representedObject())) {
        call += " " + *text;
      }
    }
    calls.push_back(call);
  }
  void checkHealth(MenuItem& s) override { record("checkHealth", &s); }
  void dismissAttention(MenuItem& s) override { record("dismissAttention", &s); }
  void toggleKeepAwake(MenuItem& s) override { record("toggleKeepAwake", &s); }
  void startKeepAwakeFromHeader(VGXMenuHeaderView&) override { record("startFromHeader", nullptr); }
  void stopKeepAwakeFromHeader(VGXMenuHeaderView&) override { record("stopFromHeader", nullptr); }
  void extendFifteenMinutes(MenuItem& s) override { record("extendFifteenMinutes", &s); }
  void keepAwakeUntil(MenuItem& s) override { record("keepAwakeUntil", &s); }
  void watchDownload(MenuItem& s) override { record("watchDownload", &s); }
  void watchApp(MenuItem& s) override { record("watchApp", &s); }
  void toggleAllowDisplaySleep(MenuItem& s) override { record("toggleAllowDisplaySleep", &s); }
  void toggleAutomation(MenuItem& s) override { record("toggleAutomation", &s); }
  void pauseOrResumeTriggers(MenuItem& s) override { record("pauseOrResumeTriggers", &s); }
  void editTriggers(MenuItem& s) override { record("editTriggers", &s); }
  void showSettingsWindow(MenuItem& s) override { record("showSettingsWindow", &s); }
  void showAboutVigilix(MenuItem& s) override { record("showAboutVigilix", &s); }
  void stopWatch(MenuItem& s) override { record("stopWatch", &s); }
};

// One line per item: its title, then " on" for a check mark, " off" when
// disabled and " >" with a submenu; "--" for a separator.
std::vector<std::string> lines(const Menu& menu) {
  std::vector<std::string> out;
  for (const auto& item : menu.items()) {
    if (item->isSeparatorItem()) {
      out.emplace_back("--");
      continue;
    }
    std::string line = item->title();
    if (item->state() == platform::ControlStateValue::On) line += " on";
    if (!item->isEnabled()) line += " off";
    if (item->submenu()) line += " >";
    out.push_back(line);
  }
  return out;
}

std::shared_ptr<MenuItem> titled(const Menu& menu, const std::string& title) {
  for (const auto& item : menu.items()) {
    if (item->title() == title) return item;
  }
  return nullptr;
}

class StatusMenuTest : public HubScenario {
 public:
  StatusMenuTest() {
    platform::RunningApplications::setCurrent(&apps);
    durations->addItem(std::make_shared<MenuItem>("1 Hour"));
  }
  ~StatusMenuTest() override {
    VGXStatusMenu::hooks() = {};
    VGXStatusMenu::slots() = {};
    platform::RunningApplications::setCurrent(nullptr);
  }

  void populate() { VGXStatusMenu::populate(*hub, menu, durations, header, target); }
  void heat() {
    platform.power.thermal.setThermalState(platform::ThermalState::Critical);
    platform.runUntilIdle();
  }
  std::int32_t launch(const std::string& bundle, const std::string& name) {
    auto& app = apps.add(bundle);
    app.processIdentifier = platform.processes().start();
    app.localizedName = name;
    return app.processIdentifier;
  }

  testing::FakeRunningApplications apps;
  Menu menu;
  std::shared_ptr<Menu> durations = std::make_shared<Menu>();
  std::shared_ptr<VGXMenuHeaderView> header = VGXMenuHeaderView::create({});
  std::shared_ptr<RecordingTarget> target = std::make_shared<RecordingTarget>();
};

const std::vector<std::string> kTail = {"--", "Settings…", "About Vigilix", "Quit Vigilix"};

std::vector<std::string> withTail(std::vector<std::string> head) {
  head.insert(head.end(), kTail.begin(), kTail.end());
  return head;
}

TEST_F(StatusMenuTest, RowsFollowTheHubsState) {
  struct Row {
    const char* name;
    std::function<void(StatusMenuTest&)> arrange;
    std::vector<std::string> expected;
  };
  const std::vector<Row> rows = {
      {"idle, automation off", [](auto&) {},
       withTail({"Keep Awake", "--", "Keep Awake For >", "Keep Awake Until >",
                 "Allow Display to Sleep", "--", "Automatic off", "Enable Automatic Keep-Awake",
                 "No triggers match right now off", "Pause for 1 Hour off", "Edit Triggers…"})},
      {"a timed session with automation on and the display allowed to sleep",
       [](auto& t) {
         t.defaults().set("run.tarvo.vigilix.AllowDisplaySleep", true);
         t.hub->setAutomationEnabled(true);
         t.hub->keepAwakeForDuration(600);
       },
       withTail({"Keep Awake on", "--", "Add 15 Minutes", "Keep Awake For >", "Keep Awake Until >",
                 "Allow Display to Sleep on", "--", "Automatic off",
                 "Enable Automatic Keep-Awake on", "No triggers match right now off",
                 "Pause for 1 Hour", "Edit Triggers…"})},
      {"an indefinite session has no Add 15 Minutes",
       [](auto& t) { t.hub->keepAwakeIndefinitely(); },
       withTail({"Keep Awake on", "--", "Keep Awake For >", "Keep Awake Until >",
                 "Allow Display to Sleep", "--", "Automatic off", "Enable Automatic Keep-Awake",
                 "No triggers match right now off", "Pause for 1 Hour off", "Edit Triggers…"})},
      {"blocked by heat while idle", [](auto& t) { t.heat(); },
       withTail({"Keep Awake off", "--", "Keep Awake For off >", "Keep Awake Until off >",
                 "Allow Display to Sleep", "--", "Automatic off", "Enable Automatic Keep-Awake",
                 "No triggers match right now off", "Pause for 1 Hour off", "Edit Triggers…"})},
      {"paused until resumed, one process watched",
       [](auto& t) {
         t.hub->setAutomationEnabled(true);
         t.hub->stopKeepingAwake();
         t.hub->watchProcessWithPid(t.platform.processes().start(), "backup");
       },
       withTail({"Keep Awake on", "--", "Keep Awake For >", "Keep Awake Until >",
                 "Allow Display to Sleep", "--", "Automatic off", "Enable Automatic Keep-Awake on",
                 "Paused until you resume them off", "Until backup quits >", "Resume Triggers",
                 "Edit Triggers…"})},
      {"forced triggers and display sleep, one process watched",
       [](auto& t) {
         t.platform.defaults.standard().setForced("run.tarvo.vigilix.Triggers",
                                                  platform::PropertyDictionary{});
         t.platform.defaults.standard().setForced("run.tarvo.vigilix.AllowDisplaySleep", true);
         t.hub->watchProcessWithPid(t.platform.processes().start(), "backup");
       },
       withTail({"Keep Awake on", "--", "Keep Awake For >", "Keep Awake Until >",
                 "Allow Display to Sleep on off", "--", "Automatic off",
                 "Enable Automatic Keep-Awake off", "Until backup quits off",
                 "Pause for 1 Hour off", "Edit Triggers…"})},
      {"attention adds Check Health and Dismiss",
       [](auto&) { VGXStatusMenu::hooks().hasAttention = [] { return true; }; },
       {"Keep Awake", "--", "Keep Awake For >", "Keep Awake Until >", "Allow Display to Sleep",
        "--", "Automatic off", "Enable Automatic Keep-Awake", "No triggers match right now off",
        "Pause for 1 Hour off", "Edit Triggers…", "--", "Check Health…", "Dismiss", "Settings…",
        "About Vigilix", "Quit Vigilix"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform.defaults.standard().removeForced("run.tarvo.vigilix.Triggers");
    platform.defaults.standard().removeForced("run.tarvo.vigilix.AllowDisplaySleep");
    defaults().remove("run.tarvo.vigilix.AllowDisplaySleep");
    VGXStatusMenu::hooks() = {};
    VGXStatusMenu::slots() = {};
    platform.power.thermal.setThermalState(platform::ThermalState::Nominal);
    hub.reset();
    startHub();
    hub->setAutomationEnabled(false);
    row.arrange(*this);
    populate();
    EXPECT_EQ(lines(menu), row.expected);
    const bool blocked = hub->isBlocked();
    EXPECT_EQ(durations->items().front()->isEnabled(), !blocked);
    EXPECT_EQ(header->keepAwakeSwitch()->isEnabled(), !blocked || hub->isAwake());
    EXPECT_EQ(lines(*titled(menu, "Keep Awake Until")->submenu()),
              (blocked ? std::vector<std::string>{"A Specific Time… off",
                                                  "A Download Finishes… off", "An App Quits off >"}
                       : std::vector<std::string>{"A Specific Time…", "A Download Finishes…",
                                                  "An App Quits >"}));
  }
}

TEST_F(StatusMenuTest, ItemsSendTheirActionsToTheTarget) {
  startHub();
  launch("org.example.beta", "beta");
  const std::int32_t alpha = launch("org.example.alpha", "Alpha");
  launch("run.tarvo.vigilix", "Vigilix");
  launch("org.example.alpha", "Alpha");   // a second process of an app listed once
  apps.add("backupd").isRegular = false;  // background processes are not listed
  hub->watchProcessWithPid(platform.processes().start(), "backup");
  hub->keepAwakeForDuration(600);
  populate();
  auto& apps = *titled(*titled(menu, "Keep Awake Until")->submenu(), "An App Quits")->submenu();
  EXPECT_EQ(lines(apps), (std::vector<std::string>{"Alpha", "beta"}));
  const std::string watchID = hub->activeWatches().front().id.uuidString();

  struct Row {
    const char* name;
    std::function<MenuItem&()> item;
    std::string expected;  // empty: nothing is sent
  };
  const std::vector<Row> rows = {
      {"header row", [&]() -> MenuItem& { return *menu.itemWithTag(2001); }, "toggleKeepAwake"},
      {"an app row carries its process", [&]() -> MenuItem& { return *apps.items().front(); },
       "watchApp " + std::to_string(alpha)},
      {"stop watching carries the watch",
       [&]() -> MenuItem& {
         return *titled(menu, "Until backup quits")->submenu()->items().front();
       },
       "stopWatch " + watchID},
      {"Add 15 Minutes", [&]() -> MenuItem& { return *titled(menu, "Add 15 Minutes"); },
       "extendFifteenMinutes"},
      {"a disabled row sends nothing",
       [&]() -> MenuItem& { return *titled(menu, "Pause for 1 Hour"); }, ""},
      {"Settings", [&]() -> MenuItem& { return *titled(menu, "Settings…"); }, "showSettingsWindow"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    target->calls.clear();
    row.item().performAction();
    EXPECT_EQ(target->calls,
              row.expected.empty() ? std::vector<std::string>{} : std::vector{row.expected});
  }

  const int quitsBefore = platform::Application::shared().terminationRequests();
  titled(menu, "Quit Vigilix")->performAction();
  EXPECT_EQ(platform::Application::shared().terminationRequests(), quitsBefore + 1);
  EXPECT_EQ(titled(menu, "Settings…")->keyEquivalent(), ",");
  EXPECT_EQ(titled(menu, "Quit Vigilix")->keyEquivalent(), "q");
}

TEST_F(StatusMenuTest, SignatureAndHeaderRows) {
  startHub();
  hub->setAutomationEnabled(true);
  hub->keepAwakeForDuration(600);
  populate();
  // The header row carries the switch and the reason line for row-only hosts.
  const auto& row = *menu.itemWithTag(VGXStatusMenu::headerTag);
  EXPECT_EQ(row.state(), platform::ControlStateValue::On);
  EXPECT_EQ(row.detailLines(), std::vector{hub->headerReasonLine()});
  header->keepAwakeSwitch()->accessibilityPerformPress();
  EXPECT_EQ(target->calls, std::vector<std::string>{"stopFromHeader"});

  EXPECT_EQ(VGXStatusMenu::stateSignature(*hub),
            "|awake||auto|timed||No triggers match right now#");
  const std::string timed = VGXStatusMenu::stateSignature(*hub);
  platform.advance(60);  // the header's time changes, the items do not
  EXPECT_EQ(VGXStatusMenu::stateSignature(*hub), timed);
  VGXStatusMenu::hooks().hasAttention = [] { return true; };
  EXPECT_EQ(VGXStatusMenu::stateSignature(*hub),
            "attention|awake||auto|timed||No triggers match right now#");
}

}  // namespace
}  // namespace vigilix::scenarios
