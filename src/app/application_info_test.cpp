#include "app/application_info.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/dzl_version.h"
#include "testing/temporary_folder.h"

namespace vigilix {
namespace {

TEST(ApplicationInfoTest, TheCreditsAreFoundBesideTheProgramOrWhereAnInstallPutsThem) {
  struct Row {
    const char* name;
    std::vector<const char*> files;
    std::optional<const char*> found;
  };
  const Row rows[] = {
      {"a build tree", {"bin/credits.txt"}, "bin/credits.txt"},
      {"an install", {"share/vigilix/credits.txt"}, "share/vigilix/credits.txt"},
      {"beside the program comes first",
       {"bin/credits.txt", "share/vigilix/credits.txt"},
       "bin/credits.txt"},
      {"neither", {}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto root = testing::makeTemporaryFolder("credits");
    for (const char* file : row.files) {
      std::filesystem::create_directories((root / file).parent_path());
      std::ofstream(root / file) << "Thanks.";
    }
    auto found = creditsFileForProgram(root / "bin" / "vigilix-app");
    if (row.found) {
      EXPECT_EQ(found, root / *row.found);
    } else {
      EXPECT_EQ(found, std::nullopt);
    }
    std::filesystem::remove_all(root);
  }
}

TEST(ApplicationInfoTest, TheVersionHasBothPartsAndTheNoticeIsText) {
  auto info = applicationInfoDictionary();
  EXPECT_TRUE(DZLVersion::dzl_shortVersionString(info).has_value());
  EXPECT_TRUE(DZLVersion::dzl_buildVersionString(info).has_value());
  EXPECT_TRUE(DZLVersion::dzl_localizedCopyrightString(info).has_value());
}

}  // namespace
}  // namespace vigilix
