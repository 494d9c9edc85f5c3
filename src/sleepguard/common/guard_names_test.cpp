#include "sleepguard/common/guard_names.h"

#include <gtest/gtest.h>

namespace vigilix {
namespace {

TEST(GuardNames, TheInstallPrefixFollowsWhereTheProgramsAre) {
  struct Row {
    const char* name;
    const char* environment;
    std::optional<std::filesystem::path> program;
    std::string prefix;
    std::filesystem::path root = "/";
  };
  const Row rows[] = {
      {"the application of a package", nullptr, "/usr/bin/vigilix-app", "/usr"},
      {"the installer under /opt", nullptr, "/opt/vigilix/libexec/vigilix/vigilix-installer",
       "/opt/vigilix"},
      {"the guard told by its unit", "/usr", "/var/lib/vigilix/vigilix-sleepguard", "/usr"},
      {"the unit's word over the program's place", "/opt/v/", "/usr/bin/vigilix-app", "/opt/v"},
      {"a relative word is no word", "usr", "/usr/bin/vigilix-app", "/usr"},
      {"a program elsewhere: as configured", nullptr, "/var/lib/vigilix/vigilix-sleepguard",
       "/usr/local"},
      {"another program's libexec folder", nullptr, "/usr/libexec/other/vigilix-installer",
       "/usr/local"},
      {"no program path", nullptr, std::nullopt, "/usr/local"},
      {"a program under the file-system root", nullptr, "/tmp/machine/usr/bin/vigilix-app", "/usr",
       "/tmp/machine"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXGuardNames::installPrefixFor(row.environment, row.program, row.root, "/usr/local"),
              row.prefix);
  }
}

}  // namespace
}  // namespace vigilix
