#include "platform/system/bookmarks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "testing/fake_bookmarks.h"
#include "testing/fake_files.h"

namespace vigilix::platform {
namespace {

namespace fs = std::filesystem;

class LiveBookmarkServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vigilix-bookmarks-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string path(const std::string& name) const { return (root_ / name).string(); }
  void write(const std::string& name) { std::ofstream(path(name)) << "content"; }

  fs::path root_;
  LiveBookmarkService service_;
};

TEST_F(LiveBookmarkServiceTest, ResolvesWhileTheSameItemIsAtThePath) {
  write("download.zip");
  const auto bookmark = service_.createBookmark(path("download.zip"));
  ASSERT_TRUE(bookmark.has_value());
  EXPECT_EQ(service_.resolveBookmark(*bookmark), path("download.zip"));
}

TEST_F(LiveBookmarkServiceTest, DoesNotResolveOnceTheItemIsGoneOrReplaced) {
  write("a");
  const auto bookmark = service_.createBookmark(path("a"));
  ASSERT_TRUE(bookmark.has_value());

  fs::rename(path("a"), path("b"));
  EXPECT_EQ(service_.resolveBookmark(*bookmark), std::nullopt);

  // Another file under the old name is not the bookmarked one. Keep the
  // moved original so its inode cannot be handed to the new file.
  write("a");
  EXPECT_EQ(service_.resolveBookmark(*bookmark), std::nullopt);
}

TEST_F(LiveBookmarkServiceTest, RefusesMissingItemsAndForeignBytes) {
  EXPECT_FALSE(service_.createBookmark(path("absent")).has_value());
  EXPECT_FALSE(service_.createBookmark("relative/path").has_value());
  EXPECT_EQ(service_.resolveBookmark({}), std::nullopt);
  EXPECT_EQ(service_.resolveBookmark(Bytes{'V', 'G', 'X'}), std::nullopt);

  write("a");
  auto bookmark = service_.createBookmark(path("a")).value();
  bookmark[0] = 'X';
  EXPECT_EQ(service_.resolveBookmark(bookmark), std::nullopt);
}

TEST_F(LiveBookmarkServiceTest, AccessIsGrantedAndCountedUntilGivenBack) {
  EXPECT_TRUE(service_.startAccessing("/p"));
  EXPECT_TRUE(service_.startAccessing("/p"));
  service_.stopAccessing("/p");
  EXPECT_EQ(service_.accessCounts(), (std::map<std::string, int>{{"/p", 1}}));
  service_.stopAccessing("/p");
  service_.stopAccessing("/p");
  EXPECT_TRUE(service_.accessCounts().empty());
}

TEST(FakeBookmarksTest, FollowsAMovedFileAndFailsWhenItIsGone) {
  testing::FakeFiles files;
  testing::FakeBookmarks bookmarks(&files);
  EXPECT_EQ(&BookmarkService::current(), &bookmarks);
  files.addFile("/Downloads/film.mkv", 10);

  const auto bookmark = bookmarks.createBookmark("/Downloads/film.mkv").value();
  files.move("/Downloads/film.mkv", "/Movies/film.mkv");
  bookmarks.fileMoved("/Downloads/film.mkv", "/Movies/film.mkv");
  EXPECT_EQ(bookmarks.resolveBookmark(bookmark), "/Movies/film.mkv");

  files.remove("/Movies/film.mkv");
  EXPECT_EQ(bookmarks.resolveBookmark(bookmark), std::nullopt);
  EXPECT_FALSE(bookmarks.createBookmark("/Movies/film.mkv").has_value());
}

}  // namespace
}  // namespace vigilix::platform
