#include "platform/system/file_resources.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "testing/fake_files.h"

namespace vigilix::platform {
namespace {

namespace fs = std::filesystem;

class LiveFileResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vigilix-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string path(const std::string& name) const { return (root_ / name).string(); }
  void write(const std::string& name, std::size_t size) {
    std::ofstream(path(name), std::ios::binary) << std::string(size, 'x');
  }

  fs::path root_;
  LiveFileResources files_;
};

TEST_F(LiveFileResourcesTest, ValuesDescribeTheItemItself) {
  write("data.bin", 1234);
  fs::create_directory(path("folder"));
  fs::create_symlink(path("folder"), path("link"));

  const auto file = files_.resourceValues(path("data.bin"));
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(*file, (FileResourceValues{false, true, 1234, false}));

  const auto folder = files_.resourceValues(path("folder"));
  ASSERT_TRUE(folder.has_value());
  EXPECT_TRUE(folder->isDirectory.value());
  EXPECT_FALSE(folder->isRegularFile.value());

  // A link to a folder is a link, not a folder.
  const auto link = files_.resourceValues(path("link"));
  ASSERT_TRUE(link.has_value());
  EXPECT_TRUE(link->isSymbolicLink.value());
  EXPECT_FALSE(link->isDirectory.value());
}

TEST_F(LiveFileResourcesTest, ExistenceFollowsLinksAndMissingItemsFail) {
  fs::create_symlink(path("nowhere"), path("dangling"));
  write("real", 1);
  fs::create_symlink(path("real"), path("good"));

  EXPECT_FALSE(files_.fileExists(path("dangling")));
  EXPECT_TRUE(files_.fileExists(path("good")));
  EXPECT_FALSE(files_.fileExists(path("absent")));

  const auto missing = files_.resourceValues(path("absent"));
  ASSERT_FALSE(missing.has_value());
  EXPECT_EQ(missing.error().code, ENOENT);
}

TEST_F(LiveFileResourcesTest, ListingIncludesHiddenItemsWithTheirValues) {
  fs::create_directory(path("dir"));
  write("dir/.hidden", 3);
  write("dir/visible", 5);

  auto entries = files_.contentsOfDirectory(path("dir"));
  ASSERT_TRUE(entries.has_value());
  std::sort(entries->begin(), entries->end(),
            [](const auto& a, const auto& b) { return a.path < b.path; });
  ASSERT_EQ(entries->size(), 2u);
  EXPECT_EQ((*entries)[0].path, path("dir/.hidden"));
  ASSERT_TRUE((*entries)[0].values.has_value());
  EXPECT_EQ((*entries)[0].values->fileSize, 3);
  EXPECT_EQ((*entries)[1].values->fileSize, 5);

  EXPECT_FALSE(files_.contentsOfDirectory(path("absent")).has_value());
  write("plain", 1);
  EXPECT_FALSE(files_.contentsOfDirectory(path("plain")).has_value());
}

TEST(FileResourcesCurrentTest, AFakeIsInForceWhileItLives) {
  {
    testing::FakeFiles fake;
    fake.addFile("/only/in/fake", 7);
    EXPECT_EQ(&FileResources::current(), &fake);
    EXPECT_TRUE(FileResources::current().fileExists("/only/in/fake"));
  }
  EXPECT_NE(dynamic_cast<LiveFileResources*>(&FileResources::current()), nullptr);
}

}  // namespace
}  // namespace vigilix::platform
