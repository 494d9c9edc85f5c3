#include "platform/ui/clean_file_pages.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace vigilix::platform {

namespace {

// One mapping of /proc/self/smaps.
struct Mapping {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
  std::string permissions;
  std::string path;
  long anonymousKiB = -1;  // pages changed from the file's; -1 when not said
};

// "start-end perms offset dev inode path": the path is what follows the fifth field.
Mapping parseHeader(const std::string& line) {
  Mapping mapping;
  char* end = nullptr;
  mapping.start = std::strtoull(line.c_str(), &end, 16);
  mapping.end = std::strtoull(end + 1, &end, 16);
  std::string_view rest(end);
  for (int field = 0; field < 4; ++field) {
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    if (field == 0) mapping.permissions = rest.substr(0, rest.find(' '));
    rest.remove_prefix(std::min(rest.find(' '), rest.size()));
  }
  rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
  mapping.path = rest;
  return mapping;
}

bool isHeader(const std::string& line) {
  const auto dash = line.find('-');
  return dash != std::string::npos && dash > 0 &&
         line.find_first_not_of("0123456789abcdef") == dash;
}

template <class Visit>
void forEachMapping(Visit visit) {
  std::ifstream lines("/proc/self/smaps");
  Mapping current;
  bool open = false;
  for (std::string line; std::getline(lines, line);) {
    if (isHeader(line)) {
      if (open) visit(current);
      current = parseHeader(line);
      open = true;
    } else if (line.rfind("Anonymous:", 0) == 0) {
      current.anonymousKiB = std::strtol(line.c_str() + 10, nullptr, 10);
    }
  }
  if (open) visit(current);
}

// A file of a file system, not a device's memory or shared memory, whose pages need no driver.
bool isPlainFile(const std::string& path) {
  return path.starts_with('/') && !path.starts_with("/dev/") && !path.starts_with("/memfd:") &&
         !path.starts_with("/SYSV") && !path.ends_with(" (deleted)");
}

}  // namespace

std::size_t dropCleanFilePages() {
  std::size_t dropped = 0;
  forEachMapping([&](const Mapping& mapping) {
    const bool clean = mapping.anonymousKiB == 0 && mapping.permissions.size() == 4 &&
                       mapping.permissions[1] != 'w';
    if (!clean || !isPlainFile(mapping.path)) return;
    const std::size_t length = mapping.end - mapping.start;
    if (::madvise(reinterpret_cast<void*>(mapping.start), length, MADV_DONTNEED) == 0) {
      dropped += length;
    }
  });
  return dropped;
}

}  // namespace vigilix::platform
