#include "platform/fs/no_follow_walk.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "platform/fs/fs_faults.h"
#include "testing/temporary_root.h"

namespace vigilix::platform {
namespace {

class NoFollowWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root.path() / "var/lib/vigilix");
    std::filesystem::create_directories(root.path() / "elsewhere");
    std::ofstream(root.path() / "var/file") << "x";
  }

  testing::TemporaryRoot root;
};

TEST_F(NoFollowWalkTest, StopsAtTheFirstComponentThatIsNotARealDirectory) {
  std::filesystem::create_directory_symlink(root.path() / "elsewhere", root.path() / "var/link");
  struct Row {
    const char* name;
    std::vector<std::string> components;
    std::optional<FsFault> fault;
    std::optional<WalkFailure> expected;  // none: the walk succeeds
  };
  const Row rows[] = {
      {"real chain", {"var", "lib", "vigilix"}, std::nullopt, std::nullopt},
      {"symbolic link", {"var", "link"}, std::nullopt, WalkFailure{WalkStep::component, ELOOP}},
      {"regular file", {"var", "file"}, std::nullopt, WalkFailure{WalkStep::component, ENOTDIR}},
      {"missing", {"var", "nothing"}, std::nullopt, WalkFailure{WalkStep::component, ENOENT}},
      {"root cannot be examined",
       {"var"},
       FsFault::failing(FsCall::statPath, EACCES),
       WalkFailure{WalkStep::statRoot, EACCES}},
      {"root cannot be opened",
       {"var"},
       FsFault::failing(FsCall::openAt, EMFILE),
       WalkFailure{WalkStep::openRoot, EMFILE}},
      {"component swapped after its check",
       {"var", "lib"},
       FsFault::failing(FsCall::openAt, ELOOP).on("lib"),
       WalkFailure{WalkStep::openDirectory, ELOOP}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.fault) FsFaults::inject(*row.fault);
    int verified = 0;
    auto opened = openDirectoryNoFollow(root.path(), row.components, [&](int fd) {
      EXPECT_GE(fd, 0);
      ++verified;
      return true;
    });
    FsFaults::clear();
    if (row.expected) {
      ASSERT_FALSE(opened.has_value());
      EXPECT_EQ(opened.error(), *row.expected);
    } else {
      ASSERT_TRUE(opened.has_value());
      EXPECT_EQ(verified, 1 + static_cast<int>(row.components.size()));
      struct stat info {};
      ASSERT_EQ(::fstat(opened->get(), &info), 0);
      struct stat expected {};
      ASSERT_EQ(::stat((root.path() / "var/lib/vigilix").c_str(), &expected), 0);
      EXPECT_EQ(info.st_ino, expected.st_ino);
    }
  }
}

TEST_F(NoFollowWalkTest, ARefusedDirectoryEndsTheWalkThere) {
  int verified = 0;
  auto opened = openDirectoryNoFollow(root.path(), {"var", "lib", "vigilix"},
                                      [&](int) { return ++verified < 2; });
  ASSERT_FALSE(opened.has_value());
  EXPECT_EQ(opened.error(), (WalkFailure{WalkStep::refused, 0}));
  EXPECT_EQ(verified, 2);
}

}  // namespace
}  // namespace vigilix::platform
