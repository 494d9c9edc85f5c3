#include "app/settings_window_factory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/application_info.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/defaults/user_defaults.h"
#include "platform/fs/own_program.h"
#include "platform/system/login_item.h"
#include "platform/ui/application.h"
#include "platform/ui/window_rendering.h"
#include "settings/command_line_tool_row.h"
#include "settings/triggers/triggers_settings_pane.h"

namespace vigilix {

namespace {

bool isExecutableFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> commandLineToolCommand(const std::string& program,
                                                  const std::string& pathVariable) {
  auto tool = std::filesystem::path(program).parent_path() / "vigilix";
  return VGXCommandLineToolRow::rowCommand(tool.string(), pathVariable, isExecutableFile);
}

std::shared_ptr<DZLSettingsWindow> makeApplicationSettingsWindow(std::function<void()> showHealth) {
  const std::string program = platform::ownProgramPath().value_or(std::filesystem::path()).string();
  const char* path = std::getenv("PATH");
  return DZLSettingsWindow::make(
      {.defaults = platform::UserDefaults::standard(),
       .durations = DZLActivationDurationsController::sharedController(),
       .loginItem = platform::LoginItem::current(),
       .shortcuts = VGXGlobalShortcutCenter::shared(),
       .commandLineCommand = commandLineToolCommand(program, path ? path : ""),
       .generalActions =
           {.showHealth = std::move(showHealth),
            .copyText = [](const std::string& text) { platform::WindowRendering::copyText(text); }},
       .quit = [] { platform::Application::shared().terminate(); },
       .triggersPane = VGXTriggersSettingsViewController::make(platform::UserDefaults::standard(),
                                                               makeSharedTriggersSettingsHub())});
}

std::unique_ptr<VGXAboutWindow> makeApplicationAboutWindow() {
  const auto program = platform::ownProgramPath().value_or(std::filesystem::path());
  return std::make_unique<VGXAboutWindow>(applicationInfoDictionary(),
                                          creditsFileForProgram(program));
}

}  // namespace vigilix
