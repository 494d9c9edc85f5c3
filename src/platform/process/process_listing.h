#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system/proc_values.h"

namespace vigilix::platform {

// One running process: its executable (the target of /proc/<pid>/exe, which
// ends in " (deleted)" once the file was replaced) and its argument vector as
// it was started, first element included.
struct ProcessSnapshot {
  std::int32_t pid = 0;
  std::string executablePath;
  std::vector<std::string> arguments;

  bool operator==(const ProcessSnapshot&) const = default;
};

// The argument vector held in a /proc/<pid>/cmdline file: NUL-terminated
// strings, the last terminator optional. None when it holds no argument (a
// kernel thread, a process being torn down) or more than 256.
std::optional<std::vector<std::string>> parseCommandLine(std::string_view bytes);
// Whether a /proc/<pid>/stat line ("<pid> (<name>) <state> ...") shows state Z.
// The name may itself hold ") ", so the state follows the last one.
bool statShowsZombie(std::string_view stat);

// The "btime" line of /proc/stat: the boot time in seconds since 1970.
std::optional<std::int64_t> parseBootTime(std::string_view procStat);

// A process's parent and its start time in whole seconds since 1970.
struct ProcessRecord {
  std::int32_t parent = 0;
  std::int64_t startTime = 0;

  bool operator==(const ProcessRecord&) const = default;
};

// The processes of <root>/proc. Thread-safe (it keeps no state); every call
// reads afresh, and a process may end between two calls.
class ProcessListing {
 public:
  // The machine under the file-system root (FileSystem::root()).
  ProcessListing();
  explicit ProcessListing(std::filesystem::path root);

  // The numeric entries of <root>/proc in increasing order; none when the
  // folder cannot be listed.
  std::optional<std::vector<std::int32_t>> listAllPIDs() const;
  // None when the process is gone or its executable or arguments cannot be
  // read (kernel threads have neither).
  std::optional<std::string> executablePath(std::int32_t pid) const;
  // The argument vector, first element included; none as for the executable.
  std::optional<std::vector<std::string>> arguments(std::int32_t pid) const;
  std::optional<ProcessSnapshot> snapshot(std::int32_t pid) const;
  // None when the process is gone or its stat line or the boot time cannot be read.
  std::optional<ProcessRecord> record(std::int32_t pid) const;
  // A walk over many processes reads the boot time (a long /proc/stat) once and passes it in.
  std::optional<std::int64_t> bootTime() const;
  std::optional<ProcessRecord> record(std::int32_t pid, std::int64_t bootTime) const;
  // Every process that gives a snapshot; none only when the pids cannot be listed.
  std::optional<std::vector<ProcessSnapshot>> listProcesses() const;
  // Whether <root>/proc/<pid>/stat shows a zombie: a process that has ended
  // and holds nothing any more, but whose pid still answers signals.
  bool isZombie(std::int32_t pid) const;

 private:
  std::filesystem::path processFolder(std::int32_t pid) const;

  std::filesystem::path root_;
};

}  // namespace vigilix::platform
