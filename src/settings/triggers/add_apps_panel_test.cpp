#include "settings/triggers/add_apps_panel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "hub/trigger_configuration_store.h"
#include "platform/fs/file_system.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

TEST(AddAppsPanelTest, OpensInTheApplicationsFolderAndAddsConfirmedEntries) {
  struct Row {
    const char* name;
    std::function<void(platform::OpenPanel&, const std::string& entry)> end;
    std::vector<std::string> apps;
  };
  const Row rows[] = {
      {"confirmed", [](auto& panel, const auto& entry) { panel.choose({entry}); }, {"code"}},
      {"cancelled", [](auto& panel, const auto&) { panel.choose({}); }, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    testing::TemporaryRoot root;
    testing::ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", std::nullopt);
    environment.set("XDG_DATA_DIRS", std::string("/usr/share"));
    const auto folder = root.pathFor("/usr/share/applications");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "code.desktop") << "[Desktop Entry]\nType=Application\nExec=code\n";
    testing::TestUserDefaults defaults;
    auto model = std::make_shared<VGXTriggersSettingsModel>(
        VGXTriggersSettingsModel::Collaborators{defaults, nullptr});
    model->load();
    const auto panel = beginAddAppsPanel(model);
    EXPECT_EQ(panel->directory(), folder.string());
    EXPECT_TRUE(panel->allowsMultipleSelection());
    row.end(*panel, (folder / "code.desktop").string());
    EXPECT_EQ(VGXTriggerConfigurationStore::load(defaults).appBundleIdentifiers, row.apps);
  }
}

}  // namespace
}  // namespace vigilix
