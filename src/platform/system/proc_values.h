#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix::platform {

// Small readers of the one-value text files under /proc and /sys.

// The text without leading and trailing white space.
std::string_view trimmedText(std::string_view text);
// A decimal number that fills the whole (trimmed) text; none otherwise.
std::optional<std::uint64_t> parseUnsigned(std::string_view text);
// The same for a number that may carry a leading '-'.
std::optional<std::int64_t> parseSigned(std::string_view text);
// The file's trimmed contents; none when it cannot be read.
std::optional<std::string> readTrimmedFile(const std::filesystem::path& path);
// The file's number; none when it cannot be read or holds no number.
std::optional<std::uint64_t> readUnsignedFile(const std::filesystem::path& path);
std::optional<std::int64_t> readSignedFile(const std::filesystem::path& path);
// The names in a folder, sorted; empty when it cannot be listed.
std::vector<std::string> listFolder(const std::filesystem::path& folder);
// The fields of a line separated by runs of spaces or tabs.
std::vector<std::string_view> splitFields(std::string_view line);

// The parent, the kernel's flags and the start time (clock ticks after boot)
// of a /proc/<pid>/stat line; none when the line is cut short or a field is
// not a number. The name may itself hold ") ", so the fields follow the last one.
struct ProcessStat {
  std::int32_t parent = 0;
  std::uint64_t startTicks = 0;
  std::uint64_t flags = 0;

  // A thread of the kernel's own (PF_KTHREAD): no program, no command line.
  bool isKernelThread() const { return (flags & 0x00200000u) != 0; }
  bool operator==(const ProcessStat&) const = default;
};
std::optional<ProcessStat> parseProcessStat(std::string_view stat);

}  // namespace vigilix::platform
