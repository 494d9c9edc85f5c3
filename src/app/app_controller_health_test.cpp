#include <gtest/gtest.h>

#include <memory>

#include "app/app_controller.h"
#include "app/hub_composition.h"
#include "health/health_presenter.h"
#include "scenarios/hub_fixture.h"
#include "testing/fake_user_notifications.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

TEST(AppControllerHealthTest, CheckHealthShowsTheSheetOnTheSettingsWindowOrInItsOwn) {
  struct Row {
    const char* name;
    bool settingsWindow;
    bool fromMenu;
  } rows[] = {{"settings window", true, false},
              {"no settings window", false, false},
              {"the status menu's row", true, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::FakeUserNotificationCenter notices;
    auto settings = std::make_shared<platform::Window>(platform::Rect(0, 0, 700, 500),
                                                       platform::WindowStyle::Titled);
    // The hub the program's environment reaches, composed as the launch composes it.
    VGXTriggerBridge::makeSharedWith([] {
      return composeHub({.makeSampler = [] { return std::make_shared<scenarios::QuietSampler>(); },
                         .protectionVerifier = &VGXProtectionVerifier::shared()});
    });
    auto environment = DZLAppController::Environment::current();
    auto hub = environment.bridge;
    environment.eventHandler = std::make_shared<DZLEventHandler>();
    if (row.settingsWindow) environment.ensureSettingsWindow = [settings] { return settings; };
    auto controller = DZLAppController::make(std::move(environment));
    platform.runUntilIdle();

    platform::MenuItem item("Health Check\u2026");
    if (row.fromMenu) {
      controller->checkHealth(item);
    } else {
      controller->checkHealth();
    }
    EXPECT_EQ(VGXHealthPresenter::current(), nullptr);  // one main-queue turn later
    platform.runUntilIdle();
    auto presenter = VGXHealthPresenter::current();
    ASSERT_NE(presenter, nullptr);
    EXPECT_EQ(presenter->sheet()->title(), "Keep-Awake Health");
    EXPECT_TRUE(presenter->sheet()->isKeyWindow());
    EXPECT_EQ(settings->attachedSheet() == presenter->sheet(), row.settingsWindow);
    EXPECT_FALSE(presenter->view()->lines().empty());
    controller.reset();
    hub.reset();
    platform::resetSharedInstances();
  }
}

}  // namespace
}  // namespace vigilix
