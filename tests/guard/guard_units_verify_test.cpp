// systemd's own reading of every unit we render, under a root that holds
// the system's units and stand-ins for our programs.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "dbus/test_child_process.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/guard_units.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAnalyze = "/usr/bin/systemd-analyze";

fs::path underRoot(const fs::path& root, std::string_view systemPath) {
  return root / fs::path(systemPath).relative_path();
}

class GuardUnitsVerifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kAnalyze)) {
      GTEST_SKIP() << kAnalyze << " is missing: install the systemd package (scripts/bootstrap)";
    }
    // The targets our units name come from the system's own unit folder.
    for (const char* folder : {"/usr/lib/systemd/system", "/lib/systemd/system"}) {
      if (fs::is_directory(folder)) {
        fs::create_directories(root_ / "usr/lib/systemd");
        fs::copy(folder, root_ / "usr/lib/systemd/system",
                 fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                     fs::copy_options::skip_existing);
        break;
      }
    }
    for (const std::string_view program :
         {VGXGuardNames::guardExecutablePath,
          std::string_view(VGXGuardNames::installerExecutablePath())}) {
      const fs::path stand = underRoot(root_, program);
      fs::create_directories(stand.parent_path());
      fs::copy_file("/bin/true", stand);
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path root_ = makeTemporaryFolder("vigilix-units");
};

TEST_F(GuardUnitsVerifyTest, EveryRenderedUnitPasses) {
  struct Row {
    std::string unit;
    std::string_view folder;
  };
  std::vector<Row> rows;
  for (const auto& unit : VGXGuardUnitNames()) rows.push_back({unit, VGXGuardNames::unitDirectory});
  for (const auto& unit : VGXInstallerUnitNames()) {
    rows.push_back({unit, VGXGuardNames::packagedUnitDirectory()});
  }
  ASSERT_EQ(rows.size(), 5u);
  for (const auto& row : rows) {
    const fs::path file = underRoot(root_, row.folder) / row.unit;
    fs::create_directories(file.parent_path());
    std::ofstream(file) << VGXRenderUnit(row.unit);
  }
  for (const auto& row : rows) {
    SCOPED_TRACE(row.unit);
    const fs::path log = root_ / "verify.log";
    TestChildProcess verify({kAnalyze, "verify", "--root=" + root_.string(), "--man=no",
                             "--generators=no", (underRoot(root_, row.folder) / row.unit).string()},
                            log);
    EXPECT_EQ(verify.wait(), 0) << readFile(log);
    EXPECT_EQ(readFile(log), "");  // a warning (an unknown key, a bad value) fails too
    fs::remove(log);
  }
}

}  // namespace
}  // namespace vigilix::testing
