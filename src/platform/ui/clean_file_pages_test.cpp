#include "platform/ui/clean_file_pages.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "testing/temporary_folder.h"

namespace vigilix::platform {
namespace {

// The resident KiB of the mapping at `start`, from /proc/self/smaps; -1 when none is there.
long residentKiB(const void* start) {
  std::ifstream smaps("/proc/self/smaps");
  bool found = false;
  for (std::string line; std::getline(smaps, line);) {
    if (line.find('-') != std::string::npos && line.find(' ') > line.find('-')) {
      found = std::strtoull(line.c_str(), nullptr, 16) == reinterpret_cast<std::uintptr_t>(start);
    } else if (found && line.rfind("Rss:", 0) == 0) {
      return std::strtol(line.c_str() + 4, nullptr, 10);
    }
  }
  return -1;
}

TEST(CleanFilePagesTest, AFilesOwnPagesGoAndComeBackAsTheyWereAndChangedPagesStay) {
  const auto folder = testing::makeTemporaryFolder("vigilix-pages");
  const auto path = folder / "library";
  constexpr std::size_t kSize = 16 * 4096;
  std::string bytes(kSize, '\0');
  for (std::size_t at = 0; at < kSize; ++at) bytes[at] = static_cast<char>(at * 7);
  std::ofstream(path, std::ios::binary) << bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  auto* clean = static_cast<char*>(::mmap(nullptr, kSize, PROT_READ, MAP_PRIVATE, fd, 0));
  auto* changed =
      static_cast<char*>(::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0));
  ::close(fd);
  ASSERT_NE(clean, MAP_FAILED);
  ASSERT_NE(changed, MAP_FAILED);
  // Read in full, as a library's code is run; and one page written, then made read-only, as
  // the loader does with a library's relocated data.
  EXPECT_EQ(std::string(clean, kSize), bytes);
  changed[0] = 'x';
  ASSERT_EQ(::mprotect(changed, kSize, PROT_READ), 0);
  const long changedBefore = residentKiB(changed);
  ASSERT_EQ(residentKiB(clean), static_cast<long>(kSize / 1024));

  EXPECT_GE(dropCleanFilePages(), kSize);

  EXPECT_EQ(residentKiB(clean), 0);
  EXPECT_EQ(residentKiB(changed), changedBefore);
  EXPECT_EQ(std::string(clean, kSize), bytes);
  EXPECT_EQ(changed[0], 'x');
  ::munmap(clean, kSize);
  ::munmap(changed, kSize);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vigilix::platform
