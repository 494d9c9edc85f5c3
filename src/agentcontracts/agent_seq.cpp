#include "agentcontracts/agent_seq.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include "platform/crypto/sha256.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_lock.h"
#include "platform/fs/file_system.h"
#include "platform/runloop/clock.h"
#include "platform/system/proc_values.h"

namespace vigilix {

namespace {

using Path = std::filesystem::path;

constexpr std::size_t kMaximumBytes = 32;

VGXAgentFileError failure(std::string_view what, const Path& file, int code) {
  return VGXAgentFileError{std::string(what) + " " + file.string() + ": " + std::strerror(code)};
}

// Spaces, tabs and line ends around an optionally signed decimal number.
std::optional<std::int64_t> counterValue(std::string_view text) {
  text = platform::trimmedText(text);
  if (text.empty()) return 0;
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return std::nullopt;
  }
  return platform::parseSigned(text);
}

}  // namespace

namespace VGXAgentSeq {

std::expected<std::int64_t, VGXAgentFileError> value(std::string_view session, bool increment,
                                                     const Path& folder) {
  const Path file = folder / platform::sha256HexString(platform::sha256(session));
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);

  auto opened = platform::openAt(AT_FDCWD, file.string(), O_RDWR | O_CREAT, 0644);
  if (!opened) return std::unexpected(failure("cannot open", file, opened.error()));
  auto locked = platform::FileLock::acquireExclusive(std::move(*opened));
  if (!locked) return std::unexpected(failure("cannot lock", file, locked.error()));
  const int fd = locked->descriptor();

  auto bytes = platform::readAtMost(fd, kMaximumBytes);
  if (!bytes && !bytes.error().tooLarge) {
    return std::unexpected(failure("cannot read", file, bytes.error().code));
  }
  std::optional<std::int64_t> current;
  if (bytes) current = counterValue(std::string(bytes->begin(), bytes->end()));
  if (!current && !increment) {
    agentFilesLog().error("Damaged counter {} read as 0", file.string());
    return 0;
  }
  if (!current) {
    const std::string damaged = bytes ? std::string(bytes->begin(), bytes->end())
                                      : platform::FileSystem::readFile(file).value_or("");
    auto kept = platform::FileSystem::keepAside(file, damaged, platform::Clock::current().now());
    if (!kept) return std::unexpected(VGXAgentFileError{kept.error().message});
    agentFilesLog().error("Damaged counter {} kept aside as {}; counting from 0", file.string(),
                          kept->string());
    current = 0;
  }
  if (!increment) return *current;
  if (*current == std::numeric_limits<std::int64_t>::max()) {
    return std::unexpected(VGXAgentFileError{"counter " + file.string() + " is at its largest"});
  }

  // Digits first, then the cut to their length: the file is never empty, so a
  // failure can never read back as a fresh counter.
  const std::string digits = std::to_string(*current + 1);
  if (::lseek(fd, 0, SEEK_SET) != 0) return std::unexpected(failure("cannot seek", file, errno));
  if (auto written = platform::writeAll(
          fd, {reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()});
      !written) {
    return std::unexpected(failure("cannot write", file, written.error()));
  }
  if (auto cut = platform::truncateFile(fd, static_cast<off_t>(digits.size())); !cut) {
    return std::unexpected(failure("cannot truncate", file, cut.error()));
  }
  return *current + 1;
}

}  // namespace VGXAgentSeq

}  // namespace vigilix
