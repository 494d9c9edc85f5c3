#pragma once

#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "agentcontracts/agent_files.h"

namespace vigilix {

// One hook event as the command-line tool logged it.
struct VGXAgentHookRecord {
  std::string at;      // UTC internet date-time with milliseconds: "2026-12-09T12:03:16.250Z"
  std::string tool;    // normally a tool's raw value ("claude", "codex", ...)
  std::string event;   // as the caller names it
  std::string result;  // as the caller words it

  bool operator==(const VGXAgentHookRecord&) const = default;
};

// The log of the last hook events: {"events": [record, ...]}, oldest first,
// at most maxRecords. Appends hold the lock on the log's folder, so two at the
// same moment both land. Any thread.
namespace VGXAgentHookLog {

inline constexpr std::size_t maxRecords = 20;

// Adds a record stamped with the current time and keeps the last 20 (bytes
// that are not UTF-8 are stored as U+FFFD). A damaged
// log is moved aside and a new one begun; a log that cannot be read is left
// alone and the record is not written (the error says why).
std::expected<void, VGXAgentFileError> append(std::string_view tool, std::string_view event,
                                              std::string_view result,
                                              const std::filesystem::path& file);
// The records in file order; empty on any problem. Objects without all four
// texts are skipped.
std::vector<VGXAgentHookRecord> read(const std::filesystem::path& file);

}  // namespace VGXAgentHookLog

}  // namespace vigilix
