// `cmake --install` into the prefixes a package and a folder of its own use:
// every program an installed file starts is installed at the path it names,
// and systemd accepts the installed units.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "dbus/test_child_process.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAnalyze = "/usr/bin/systemd-analyze";

// The program each Exec= and ExecStart= line of a file starts.
std::vector<std::string> startedPrograms(const fs::path& file) {
  std::vector<std::string> programs;
  std::istringstream lines(readFile(file));
  for (std::string line; std::getline(lines, line);) {
    for (const std::string_view key : {"Exec=", "ExecStart="}) {
      if (line.starts_with(key))
        programs.push_back(line.substr(key.size(), line.find(' ') - key.size()));
    }
  }
  return programs;
}

bool isExecutableFile(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
}

TEST(InstallPrefixTest, InstalledFilesStartProgramsInstalledUnderThePrefix) {
  if (!fs::exists(kAnalyze))
    GTEST_SKIP() << kAnalyze << " is missing: run scripts/bootstrap --test";
  struct Row {
    const char* name;
    std::string prefix;
  };
  const Row rows[] = {{"a distribution package", "/usr"}, {"a folder of its own", "/opt/vigilix"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path root = makeTemporaryFolder("vigilix-prefix");
    {
      ScopedEnvironment destination("DESTDIR", root.string());
      TestChildProcess install(
          {VIGILIX_CMAKE_COMMAND, "--install", VIGILIX_BUILD_DIR, "--prefix", row.prefix},
          root / "install.log");
      ASSERT_EQ(install.wait(std::chrono::seconds(25)), 0) << readFile(root / "install.log");
    }
    std::vector<fs::path> units;
    std::size_t started = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      const std::string extension = entry.path().extension();
      if (extension != ".service" && extension != ".socket" && extension != ".desktop") continue;
      if (entry.path().parent_path().filename() == "system") units.push_back(entry.path());
      for (const std::string& program : startedPrograms(entry.path())) {
        SCOPED_TRACE(entry.path().string() + " starts " + program);
        ++started;
        EXPECT_TRUE(program.starts_with(row.prefix + "/"));
        EXPECT_TRUE(isExecutableFile(root / fs::path(program).relative_path()));
      }
    }
    // The installer's service and socket; the application's entry, its actions and its D-Bus
    // service.
    EXPECT_EQ(units.size(), 2u);
    EXPECT_EQ(started, 9u);

    // systemd reads the units under the root, with its own targets beside them.
    for (const char* folder : {"/usr/lib/systemd/system", "/lib/systemd/system"}) {
      if (!fs::is_directory(folder)) continue;
      fs::create_directories(root / "usr/lib/systemd/system");
      fs::copy(folder, root / "usr/lib/systemd/system",
               fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                   fs::copy_options::skip_existing);
      break;
    }
    ScopedEnvironment unitPath("SYSTEMD_UNIT_PATH", row.prefix + "/lib/systemd/system:");
    std::vector<std::string> verify = {kAnalyze, "verify", "--root=" + root.string(), "--man=no",
                                       "--generators=no"};
    for (const fs::path& unit : units) verify.push_back(unit.string());
    TestChildProcess analyze(verify, root / "verify.log");
    EXPECT_EQ(analyze.wait(), 0) << readFile(root / "verify.log");
    EXPECT_EQ(readFile(root / "verify.log"), "");
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
}

}  // namespace
}  // namespace vigilix::testing
