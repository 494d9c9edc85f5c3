#include "platform/fs/file_system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <optional>

#include "testing/temporary_root.h"

namespace vigilix::platform {
namespace {

using ::testing::ElementsAre;

// 2026-01-05 09:00:00 UTC.
constexpr Date kMorning = Date::fromTimeIntervalSince1970(1767603600);

class FileSystemTest : public ::testing::Test {
 protected:
  static std::string contentsOf(const FileSystem::Path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  testing::TemporaryRoot root;
};

TEST_F(FileSystemTest, SystemPathsMapInsideTheRootAndNeverClimbOut) {
  EXPECT_EQ(FileSystem::pathFor("/etc/vigilix/managed/x.plist"),
            root.path() / "etc/vigilix/managed/x.plist");
  EXPECT_EQ(FileSystem::pathFor("/../../etc/passwd"), root.path() / "etc/passwd");
  EXPECT_EQ(FileSystem::pathFor("/Library/../../Applications"), root.path() / "Applications");
  EXPECT_EQ(FileSystem::homeDirectory(), root.home());
}

TEST(FileSystemLive, RealRootMapsPathsToThemselves) {
  EXPECT_EQ(FileSystem::root(), FileSystem::Path("/"));
  EXPECT_EQ(FileSystem::pathFor("/etc/vigilix/a.plist"), FileSystem::Path("/etc/vigilix/a.plist"));
}

TEST_F(FileSystemTest, AtomicWriteCreatesFoldersReplacesContentsAndLeavesNoTempFile) {
  const auto path = root.home() / ".config/vigilix/deep/a.plist";
  ASSERT_TRUE(FileSystem::writeFileAtomically(path, "first").has_value());
  ASSERT_TRUE(FileSystem::writeFileAtomically(path, std::string("sec\0nd", 6), 0600).has_value());
  EXPECT_EQ(contentsOf(path), std::string("sec\0nd", 6));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_THAT(*FileSystem::list(path.parent_path()), ElementsAre("a.plist"));
}

// Both ways of putting the new file in place end alike, whatever stood there before.
TEST_F(FileSystemTest, AtomicWritesReplaceWhateverStoodThereAlikeFlushedOrNot) {
  enum class Before { nothing, file, linkToFile, folder };
  struct Row {
    Before before;
    int error;  // 0: written
  };
  const Row rows[] = {
      {Before::nothing, 0}, {Before::file, 0}, {Before::linkToFile, 0}, {Before::folder, EISDIR}};
  int index = 0;
  for (const Row& row : rows) {
    for (const auto flush : {FileSystem::Flush::toDisk, FileSystem::Flush::no}) {
      SCOPED_TRACE(::testing::Message() << "row " << &row - rows << ", flushed "
                                        << (flush == FileSystem::Flush::toDisk));
      const auto folder = root.path() / ("case" + std::to_string(index++));
      const auto path = folder / "state.json";
      const auto other = folder / "other";
      std::filesystem::create_directories(folder);
      std::ofstream(other) << "kept";
      if (row.before == Before::file) std::ofstream(path) << "old and longer";
      if (row.before == Before::linkToFile) std::filesystem::create_symlink(other, path);
      if (row.before == Before::folder) std::filesystem::create_directories(path / "inside");

      const auto written = FileSystem::writeFileAtomically(path, "new", 0644, flush);
      if (row.error == 0) {
        ASSERT_TRUE(written.has_value()) << written.error().message;
        EXPECT_FALSE(std::filesystem::is_symlink(path));
        EXPECT_EQ(contentsOf(path), "new");
      } else {
        ASSERT_FALSE(written.has_value());
        EXPECT_EQ(written.error().code, row.error);
        EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
      }
      EXPECT_EQ(contentsOf(other), "kept");
      EXPECT_THAT(*FileSystem::list(folder), ElementsAre("other", "state.json"));
    }
  }
}

TEST_F(FileSystemTest, CreatingAtomicallyNeverReplacesAndLeavesNoTempFile) {
  const auto path = root.path() / "made/backup";
  ASSERT_TRUE(FileSystem::createFileAtomically(path, "first", 0600).has_value());
  const auto again = FileSystem::createFileAtomically(path, "second");
  ASSERT_FALSE(again.has_value());
  EXPECT_EQ(again.error().code, EEXIST);
  EXPECT_EQ(contentsOf(path), "first");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_THAT(*FileSystem::list(path.parent_path()), ElementsAre("backup"));
}

TEST_F(FileSystemTest, LinkTargetsFollowTheLastComponent) {
  const auto dir = root.path();
  std::filesystem::create_directories(dir / "dots/sub");
  std::ofstream(dir / "dots/sub/file") << "x";
  std::filesystem::create_symlink("dots/sub/file", dir / "relative");
  std::filesystem::create_symlink(dir / "relative", dir / "chained");
  std::filesystem::create_symlink("missing", dir / "dangling");
  std::filesystem::create_symlink("loop", dir / "loop");
  struct Row {
    const char* name;
    const char* path;
    std::optional<FileSystem::Path> target;  // none: fails
  };
  const Row rows[] = {
      {"plain file", "dots/sub/file", dir / "dots/sub/file"},
      {"missing file", "none", dir / "none"},
      {"relative link", "relative", dir / "dots/sub/file"},
      {"link to a link", "chained", dir / "dots/sub/file"},
      {"dangling link", "dangling", dir / "missing"},
      {"loop", "loop", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto target = FileSystem::linkTarget(dir / row.path);
    ASSERT_EQ(target.has_value(), row.target.has_value());
    if (target) {
      EXPECT_EQ(std::filesystem::weakly_canonical(*target),
                std::filesystem::weakly_canonical(*row.target));
    }
  }
}

TEST_F(FileSystemTest, ReadsWholeFilesAndReportsMissingOnes) {
  const auto path = root.path() / "big";
  const std::string big(100000, 'x');
  ASSERT_TRUE(FileSystem::writeFileAtomically(path, big).has_value());
  EXPECT_EQ(FileSystem::readFile(path).value_or(""), big);

  auto missing = FileSystem::readFile(root.path() / "nothing");
  ASSERT_FALSE(missing.has_value());
  EXPECT_TRUE(missing.error().isNotFound());
  EXPECT_EQ(missing.error().path, (root.path() / "nothing").string());
}

// A generated file's first short answer is all of it; a longer one is still read whole.
TEST_F(FileSystemTest, GeneratedFilesReadWholeAtEverySize) {
  struct Row {
    const char* name;
    std::size_t size;
  };
  const Row rows[] = {
      {"empty", 0},           {"a stat line", 300},  {"a byte short of a page", 4095},
      {"a whole page", 4096}, {"past a page", 5000}, {"past the buffer", 100000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto path = root.path() / "generated";
    std::string contents(row.size, 'x');
    for (std::size_t at = 0; at < contents.size(); at += 97) contents[at] = '\n';
    ASSERT_TRUE(FileSystem::writeFileAtomically(path, contents).has_value());
    EXPECT_EQ(FileSystem::readGeneratedFile(path).value_or("none"), contents);
  }
  EXPECT_TRUE(FileSystem::readGeneratedFile(root.path() / "nothing").error().isNotFound());
  FileSystem::injectFailure(FileSystem::Operation::Read, root.path() / "generated", EIO);
  EXPECT_EQ(FileSystem::readGeneratedFile(root.path() / "generated").error().code, EIO);
  FileSystem::clearInjectedFailures();
}

TEST_F(FileSystemTest, InjectedFailuresHitOnlyTheirPathAndOperation) {
  const auto path = root.path() / "a";
  const auto other = root.path() / "b";
  ASSERT_TRUE(FileSystem::writeFileAtomically(path, "x").has_value());
  ASSERT_TRUE(FileSystem::writeFileAtomically(other, "y").has_value());

  FileSystem::injectFailure(FileSystem::Operation::Read, root.path() / "./a", EACCES);
  auto read = FileSystem::readFile(path);
  ASSERT_FALSE(read.has_value());
  EXPECT_EQ(read.error().code, EACCES);
  EXPECT_FALSE(read.error().isNotFound());
  EXPECT_TRUE(FileSystem::readFile(other).has_value());
  EXPECT_TRUE(FileSystem::writeFileAtomically(path, "z").has_value());

  FileSystem::injectFailure(FileSystem::Operation::Write, other, ENOSPC);
  EXPECT_EQ(FileSystem::writeFileAtomically(other, "w").error().code, ENOSPC);
  EXPECT_EQ(contentsOf(other), "y");

  FileSystem::clearInjectedFailures();
  EXPECT_EQ(FileSystem::readFile(path).value_or(""), "z");
}

TEST_F(FileSystemTest, MovingAsideNeverReplacesAnEarlierCopy) {
  const auto path = root.path() / "prefs.plist";
  ASSERT_TRUE(FileSystem::writeFileAtomically(path, "one").has_value());
  auto first = FileSystem::moveAside(path, kMorning);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(*first, root.path() / "prefs.plist.damaged-20260105T090000Z");
  EXPECT_FALSE(FileSystem::exists(path));

  ASSERT_TRUE(FileSystem::writeFileAtomically(path, "two").has_value());
  auto second = FileSystem::moveAside(path, kMorning + 0.5);  // same second
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(*second, root.path() / "prefs.plist.damaged-20260105T090000Z-2");
  EXPECT_EQ(contentsOf(*first), "one");
  EXPECT_EQ(contentsOf(*second), "two");

  EXPECT_FALSE(FileSystem::moveAside(path, kMorning).has_value());  // nothing left to move

  // A copy kept aside takes the next free name and leaves the file in place.
  ASSERT_TRUE(FileSystem::writeFileAtomically(path, "three").has_value());
  auto third = FileSystem::keepAside(path, "three", kMorning);
  ASSERT_TRUE(third.has_value());
  EXPECT_EQ(*third, root.path() / "prefs.plist.damaged-20260105T090000Z-3");
  EXPECT_EQ(contentsOf(*third), "three");
  EXPECT_EQ(contentsOf(path), "three");
}

TEST_F(FileSystemTest, RemoveAndListFolders) {
  const auto folder = root.path() / "folder";
  ASSERT_TRUE(FileSystem::writeFileAtomically(folder / "b", "").has_value());
  ASSERT_TRUE(FileSystem::writeFileAtomically(folder / "a", "").has_value());
  EXPECT_THAT(*FileSystem::list(folder), ElementsAre("a", "b"));

  EXPECT_TRUE(FileSystem::remove(folder / "a").has_value());
  EXPECT_TRUE(FileSystem::remove(folder / "a").has_value());  // already gone
  EXPECT_FALSE(FileSystem::exists(folder / "a"));
  EXPECT_THAT(*FileSystem::list(folder), ElementsAre("b"));
  EXPECT_TRUE(FileSystem::list(root.path() / "none").error().isNotFound());
}

}  // namespace
}  // namespace vigilix::platform
