#include "platform/fs/descriptor_calls.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "platform/fs/fs_faults.h"
#include "testing/temporary_root.h"

namespace vigilix::platform {
namespace {

std::string contentsOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(DescriptorCallsTest, BoundedReadStopsJustPastTheLimit) {
  testing::TemporaryRoot root;
  struct Row {
    const char* name;
    std::size_t size;
    std::size_t limit;
    bool tooLarge;
  };
  const Row rows[] = {
      {"empty", 0, 10, false},
      {"exactly the limit", 10000, 10000, false},
      {"one byte over", 10001, 10000, true},
      {"far over", 100000, 16, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::ofstream(root.path() / "f", std::ios::trunc) << std::string(row.size, 'a');
    auto fd = openAt(AT_FDCWD, (root.path() / "f").string(), O_RDONLY);
    ASSERT_TRUE(fd.has_value());
    auto read = readAtMost(fd->get(), row.limit);
    ASSERT_EQ(read.has_value(), !row.tooLarge);
    if (read) {
      EXPECT_EQ(read->size(), row.size);
    } else {
      EXPECT_TRUE(read.error().tooLarge);
    }
  }
}

TEST(DescriptorCallsTest, FaultsHitTheChosenCallNameAndOccurrenceOnce) {
  testing::TemporaryRoot root;
  auto dir = openAt(AT_FDCWD, root.path().string(), O_RDONLY | O_DIRECTORY);
  ASSERT_TRUE(dir.has_value());

  FsFaults::inject(FsFault::failing(FsCall::openAt, EACCES).on("b").after(1));
  EXPECT_TRUE(openAt(dir->get(), "a", O_RDWR | O_CREAT, 0600).has_value());
  EXPECT_TRUE(openAt(dir->get(), "b", O_RDWR | O_CREAT, 0600).has_value());  // skipped
  EXPECT_EQ(openAt(dir->get(), "b", O_RDWR), std::unexpected(EACCES));
  EXPECT_TRUE(openAt(dir->get(), "b", O_RDWR).has_value());  // spent

  // A write cut short leaves the first bytes on disk, as a power cut would.
  auto file = openAt(dir->get(), "a", O_WRONLY | O_TRUNC);
  ASSERT_TRUE(file.has_value());
  FsFaults::inject(FsFault::failing(FsCall::write, ENOSPC).writingFirst(3));
  const std::uint8_t bytes[] = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(writeAll(file->get(), bytes), std::unexpected(ENOSPC));
  EXPECT_EQ(contentsOf(root.path() / "a"), "hel");
}

}  // namespace
}  // namespace vigilix::platform
