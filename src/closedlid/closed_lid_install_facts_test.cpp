#include "closedlid/closed_lid_install_facts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
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

// The installed guard's hash follows every change of the file, whichever way it is made.
TEST(ClosedLidInstallFactsTest, TheGuardsHashFollowsItsFile) {
  testing::TemporaryRoot root;
  const fs::path guard = root.pathFor(VGXGuardNames::guardExecutablePath);
  fs::create_directories(guard.parent_path());
  struct Step {
    const char* name;
    std::optional<std::string> contents;  // none: removed
    bool inPlace;                         // written over rather than renamed into place
    std::optional<std::string> hash;
  };
  const Step steps[] = {
      {"absent", std::nullopt, false, std::nullopt},
      {"installed", "one", false,
       "7692c3ad3540bb803c020b3aee66cd8887123234ea0c6e7143c0add73ff431ed"},
      {"asked again", "one", false,
       "7692c3ad3540bb803c020b3aee66cd8887123234ea0c6e7143c0add73ff431ed"},
      {"replaced by an update", "two", false,
       "3fc4ccfe745870e2c0d99f71f30ff0656c8dedd41cc1d7d3d376b0dbe685e2f3"},
      {"written over at the same size", "thr", true,
       "050da9cf813ce55531ae25cf61cff7c2356196582580ec37641b30a0ab073cc7"},
      {"removed", std::nullopt, false, std::nullopt},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    if (!step.contents) {
      fs::remove(guard);
    } else if (step.name != std::string("asked again")) {
      const fs::path written = step.inPlace ? guard : fs::path(guard.string() + ".new");
      const auto earlier = fs::exists(guard) ? fs::last_write_time(guard) : fs::file_time_type();
      std::ofstream(written, std::ios::trunc) << *step.contents;
      if (!step.inPlace) fs::rename(written, guard);
      // Later than the last write even where the file system's clock is coarse.
      if (step.inPlace) fs::last_write_time(guard, earlier + std::chrono::hours(1));
    }
    EXPECT_EQ(VGXClosedLidInstallFacts::installedGuardHash(), step.hash);
  }
}

}  // namespace
}  // namespace vigilix
