#include "platform/system/file_paths.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(FilePathsTest, LastComponentIgnoresTrailingSlash) {
  EXPECT_EQ(lastPathComponent("/Users/me/Downloads/film.mkv"), "film.mkv");
  EXPECT_EQ(lastPathComponent("/Users/me/Downloads/"), "Downloads");
  EXPECT_EQ(lastPathComponent("name"), "name");
  EXPECT_EQ(lastPathComponent("/"), "/");
}

TEST(FilePathsTest, ExtensionIsTheTextAfterTheLastDotOfTheName) {
  EXPECT_EQ(pathExtension("/d/archive.tar.gz"), "gz");
  EXPECT_EQ(pathExtension("/d/film.mkv.crdownload"), "crdownload");
  EXPECT_EQ(pathExtension("/d/folder.part/"), "part");
  // A dot in a folder name above is not the item's extension.
  EXPECT_EQ(pathExtension("/d/v1.2/readme"), "");
  EXPECT_EQ(pathExtension("/d/.hidden"), "");
  EXPECT_EQ(pathExtension("/d/trailing."), "");
}

TEST(FilePathsTest, DeletingExtensionKeepsTheRest) {
  EXPECT_EQ(deletingPathExtension("/d/film.mkv.crdownload"), "/d/film.mkv");
  EXPECT_EQ(deletingPathExtension("/d/v1.2/readme"), "/d/v1.2/readme");
  EXPECT_EQ(deletingPathExtension("/d/.hidden"), "/d/.hidden");
}

}  // namespace
}  // namespace vigilix::platform
