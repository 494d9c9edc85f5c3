// The program as `cmake --install` lays it out, started from the installed
// tree: what it needs beside itself must be installed with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app_end_to_end_fixture.h"
#include "app/tray_host_client.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/test_child_process.h"
#include "dbus/tray_host.h"

namespace vigilix::testing {
namespace {

class AppInstallTest : public AppEndToEndFixture {
 protected:
  AppInstallTest()
      : prefix_(home_ / "prefix"),
        runtime_(home_ / "runtime"),
        platform_("QT_QPA_PLATFORM", "offscreen"),
        runtimeVariable_("XDG_RUNTIME_DIR", runtime_.string()) {
    std::filesystem::create_directories(runtime_);
    std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
  }

  // Installs the build tree under the temporary prefix; true when it worked.
  bool install() {
    TestChildProcess run(
        {VIGILIX_CMAKE_COMMAND, "--install", VIGILIX_BUILD_DIR, "--prefix", prefix_.string()},
        home_ / "install.log");
    return run.wait(std::chrono::seconds(120)) == 0;
  }

  std::filesystem::path prefix_;
  std::filesystem::path runtime_;
  ScopedEnvironment platform_;
  ScopedEnvironment runtimeVariable_;
};

TEST_F(AppInstallTest, TheInstalledProgramOpensTheCustomDurationWindow) {
  ASSERT_TRUE(install()) << readFile(home_ / "install.log");
  const std::filesystem::path module = prefix_ / "lib/vigilix/vigilix-qt-renderer.so";
  struct Row {
    const char* name;
    std::filesystem::path path;
  };
  const Row installed[] = {
      {"the application", prefix_ / "bin/vigilix-app"},
      {"the command-line tool", prefix_ / "bin/vigilix"},
      {"the window renderer", module},
      {"the idle icon", prefix_ / "share/icons/hicolor/scalable/status/vigilix-idle-symbolic.svg"},
      {"the awake icon",
       prefix_ / "share/icons/hicolor/scalable/status/vigilix-awake-symbolic.svg"},
      {"the attention icon",
       prefix_ / "share/icons/hicolor/scalable/status/vigilix-attention-symbolic.svg"},
      {"the full-colour awake icon",
       prefix_ / "share/icons/hicolor/scalable/status/vigilix-awake.svg"},
  };
  for (const Row& row : installed) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(std::filesystem::exists(row.path)) << readFile(home_ / "install.log");
  }

  TrayWatcher watcher;
  startApplication((prefix_ / "bin/vigilix-app").string());
  ASSERT_TRUE(runMainLoopUntil([&] { return !watcher.registered.empty(); }))
      << readFile(home_ / "app.log");
  TrayHost host(watcher.registered.front());
  EXPECT_EQ(host.click({"Keep Awake For", "Custom Duration…"}), "");
  // The seam logs the module it loaded and each window it has the module show.
  EXPECT_TRUE(waitUntil([&] {
    const std::string log = readFile(home_ / "app.log");
    return log.find("Windows are shown by " + module.string()) != std::string::npos &&
           log.find("Showing the window \"Custom Duration\"") != std::string::npos;
  })) << readFile(home_ / "app.log");
  EXPECT_EQ(readFile(home_ / "app.log").find("No windows can be shown"), std::string::npos);
}

// Running the program installs what building and running need; the test
// toolchain (a second compiler, a tray host, an X server) only for testing.
TEST_F(AppInstallTest, BootstrapInstallsTheTestToolchainOnlyForTesting) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  const std::vector<std::string> toolchain = {"clang-19", "xfce4-panel", "xvfb",
                                              "python3-dbusmock"};
  const std::vector<std::string> building = {"cmake", "g++", "qt6-base-dev", "libsystemd-dev"};
  const Row rows[] = {
      {"for running", {"--list"}, building, toolchain},
      {"for testing", {"--test", "--list"}, toolchain, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> argv = {"/bin/bash", VIGILIX_SOURCE_DIR "/scripts/bootstrap"};
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    const std::filesystem::path log = home_ / "bootstrap.log";
    std::filesystem::remove(log);
    ASSERT_EQ(TestChildProcess(argv, log).wait(), 0) << readFile(log);
    const std::string listed = "\n" + readFile(log);
    for (const std::string& package : row.present) {
      EXPECT_NE(listed.find("\n" + package + "\n"), std::string::npos) << package;
    }
    for (const std::string& package : row.absent) {
      EXPECT_EQ(listed.find("\n" + package + "\n"), std::string::npos) << package;
    }
  }
}

}  // namespace
}  // namespace vigilix::testing
