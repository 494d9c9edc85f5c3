#include "closedlid/closed_lid_install_facts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/fs/fs_faults.h"
#include "sleepguard/common/guard_names.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
namespace Facts = VGXClosedLidInstallFacts;

TEST(ClosedLidInstallFactsTest, ThePartsAreShippedOnlyWhenBothFilesCanBeReached) {
  testing::TemporaryRoot root;
  const fs::path guard = root.pathFor(VGXGuardNames::embeddedGuardPath());
  const fs::path installer = root.pathFor(VGXGuardNames::installerExecutablePath());
  const auto make = [](const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n";
  };
  struct Row {
    const char* name;
    std::function<void()> arrange;
    bool shipped;
  };
  const Row rows[] = {
      {"neither", [] {}, false},
      {"only the guard", [&] { make(guard); }, false},
      {"both", [&] { make(guard), make(installer); }, true},
      {"the installer a link to a file that is gone",
       [&] {
         make(guard);
         fs::create_directories(installer.parent_path());
         fs::create_symlink(root.path() / "gone", installer);
       },
       false},
      {"the installer a link to the guard",
       [&] {
         make(guard);
         fs::create_symlink(guard, installer);
       },
       true},
      {"the guard cannot be looked at",
       [&] {
         make(guard), make(installer);
         platform::FsFaults::inject(platform::FsFault::failing(platform::FsCall::statPath, EACCES)
                                        .on("vigilix-sleepguard"));
       },
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(guard);
    fs::remove(installer);
    row.arrange();
    EXPECT_EQ(Facts::partsShipped(), row.shipped);
    platform::FsFaults::clear();
  }
}

}  // namespace
}  // namespace vigilix
