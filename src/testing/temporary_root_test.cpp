#include "testing/temporary_root.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/fs/file_system.h"

namespace vigilix::testing {
namespace {

using platform::FileSystem;

TEST(TemporaryRoot, IsRootAndHomeWhileItLivesAndGoneAfterwards) {
  const auto liveHome = FileSystem::homeDirectory();
  std::filesystem::path where;
  {
    TemporaryRoot root;
    where = root.path();
    EXPECT_TRUE(std::filesystem::is_directory(root.home()));
    EXPECT_EQ(FileSystem::root(), root.path());
    EXPECT_EQ(FileSystem::homeDirectory(), root.home());
    EXPECT_EQ(root.pathFor("/Library/Preferences"), root.path() / "Library/Preferences");
    ASSERT_TRUE(FileSystem::writeFileAtomically(root.pathFor("/Library/x"), "x").has_value());
    FileSystem::injectFailure(FileSystem::Operation::Read, root.pathFor("/Library/x"), EIO);
  }
  EXPECT_FALSE(std::filesystem::exists(where));
  EXPECT_EQ(FileSystem::root(), std::filesystem::path("/"));
  EXPECT_EQ(FileSystem::homeDirectory(), liveHome);

  TemporaryRoot again;
  EXPECT_NE(again.path(), where);
  ASSERT_TRUE(FileSystem::writeFileAtomically(again.pathFor("/Library/x"), "y").has_value());
  EXPECT_TRUE(FileSystem::readFile(again.pathFor("/Library/x")).has_value());  // failures cleared
}

}  // namespace
}  // namespace vigilix::testing
