#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string_view>

#include "agenthooks/hook_installer.h"
#include "testing/pinned_locale.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix::testing {

// Real hooks files in a temporary home, on the test platform, in English.
class AgentHooksTest : public ::testing::Test {
 protected:
  // The installer's message for a hooks file that is JSON but no object.
  static constexpr const char* kNotAnObject = "The hooks file is not a JSON object.";

  // How a case leaves one tool's hooks file.
  enum class Start { untouched, folderOnly, installed, oldPath, notAnObject };

  static void write(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }
  std::filesystem::path file(VGXAgentTool tool) const { return hooksFileURL(tool, root.home()); }

  void start(VGXAgentTool tool, Start how) {
    switch (how) {
      case Start::untouched:
        return;
      case Start::folderOnly:
        std::filesystem::create_directories(toolFolderURL(tool, file(tool)));
        return;
      case Start::installed:
        ASSERT_TRUE(VGXHookInstaller::forCurrentUser(tool).install());
        return;
      case Start::oldPath:
        ASSERT_TRUE(VGXHookInstaller(tool, file(tool), "/opt/old/vigilix").install());
        return;
      case Start::notAnObject:
        write(file(tool), "[]");
        return;
    }
  }
  // An empty home and no managed value, for the next case of a table.
  void reset() {
    std::filesystem::remove_all(root.home());
    std::filesystem::create_directories(root.home());
    platform.defaults.standard().removeForced("VGXDisableAgentHooks");
  }

  TestPlatform platform;
  PinnedLocale locale{"en_US", "UTC"};
  TemporaryRoot root;
};

}  // namespace vigilix::testing
