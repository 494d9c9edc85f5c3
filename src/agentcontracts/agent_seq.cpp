#include "agentcontracts/agent_seq.h"

#include <limits>
#include <optional>
#include <string>

#include "platform/crypto/sha256.h"
#include "platform/fs/file_system.h"
#include "platform/runloop/clock.h"
#include "platform/system/proc_values.h"

namespace vigilix {

namespace {

using Path = std::filesystem::path;

constexpr std::size_t kMaximumBytes = 32;

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
  std::int64_t answer = 0;
  auto updated = updateLockedFile(
      file, kMaximumBytes,
      [&](const std::optional<std::string>& bytes)
          -> std::expected<std::optional<std::string>, VGXAgentFileError> {
        std::optional<std::int64_t> current;
        if (bytes) current = counterValue(*bytes);
        if (!current && !increment) {
          agentFilesLog().error("Damaged counter {} read as 0", file.string());
          return std::nullopt;
        }
        if (!current) {
          const std::string damaged =
              bytes ? *bytes : platform::FileSystem::readFile(file).value_or("");
          auto kept =
              platform::FileSystem::keepAside(file, damaged, platform::Clock::current().now());
          if (!kept) return std::unexpected(VGXAgentFileError{kept.error().message});
          agentFilesLog().error("Damaged counter {} kept aside as {}; counting from 0",
                                file.string(), kept->string());
          current = 0;
        }
        answer = *current;
        if (!increment) return std::nullopt;
        if (*current == std::numeric_limits<std::int64_t>::max()) {
          return std::unexpected(
              VGXAgentFileError{"counter " + file.string() + " is at its largest"});
        }
        answer = *current + 1;
        return std::to_string(answer);
      });
  if (!updated) return std::unexpected(std::move(updated.error()));
  return answer;
}

}  // namespace VGXAgentSeq

}  // namespace vigilix
