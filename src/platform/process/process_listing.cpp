#include "platform/process/process_listing.h"

#include <unistd.h>

#include <algorithm>
#include <limits>
#include <system_error>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

constexpr std::size_t kMaximumArguments = 256;
constexpr std::size_t kMaximumCommandLineBytes = 1'048'576;

}  // namespace

std::optional<std::vector<std::string>> parseCommandLine(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaximumCommandLineBytes) return std::nullopt;
  if (bytes.back() == '\0') bytes.remove_suffix(1);
  std::vector<std::string> arguments;
  for (;;) {
    if (arguments.size() == kMaximumArguments) return std::nullopt;
    const std::size_t end = bytes.find('\0');
    arguments.emplace_back(bytes.substr(0, end));
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + 1);
  }
  return arguments;
}

bool statShowsZombie(std::string_view stat) {
  const std::size_t close = stat.rfind(") ");
  return close != std::string_view::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

std::optional<std::int64_t> parseBootTime(std::string_view procStat) {
  while (!procStat.empty()) {
    const std::size_t end = procStat.find('\n');
    const std::vector<std::string_view> fields = splitFields(procStat.substr(0, end));
    if (fields.size() == 2 && fields[0] == "btime") return parseSigned(fields[1]);
    if (end == std::string_view::npos) break;
    procStat.remove_prefix(end + 1);
  }
  return std::nullopt;
}

ProcessListing::ProcessListing() : ProcessListing(FileSystem::root()) {}

ProcessListing::ProcessListing(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path ProcessListing::processFolder(std::int32_t pid) const {
  return root_ / "proc" / std::to_string(pid);
}

std::optional<std::vector<std::int32_t>> ProcessListing::listAllPIDs() const {
  auto names = FileSystem::list(root_ / "proc");
  if (!names) return std::nullopt;
  std::vector<std::int32_t> pids;
  for (const std::string& name : *names) {
    const auto pid = parseUnsigned(name);
    if (!pid || name != trimmedText(name) || *pid < 1 ||
        *pid > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
      continue;
    }
    pids.push_back(static_cast<std::int32_t>(*pid));
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

std::optional<std::string> ProcessListing::executablePath(std::int32_t pid) const {
  if (pid < 1) return std::nullopt;
  const std::filesystem::path link = processFolder(pid) / "exe";
  // One call where the library's reading of a link makes two: an ancestry walk makes it for
  // every ancestor on each agent hook.
  char buffer[4096];
  const ssize_t length = ::readlink(link.c_str(), buffer, sizeof buffer);
  if (length < 0) return std::nullopt;
  if (static_cast<std::size_t>(length) < sizeof buffer) {
    if (length == 0) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(length));
  }
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink(link, error);
  if (error || target.empty()) return std::nullopt;
  return target.string();
}

std::optional<std::vector<std::string>> ProcessListing::arguments(std::int32_t pid) const {
  if (pid < 1) return std::nullopt;
  const auto commandLine = FileSystem::readGeneratedFile(processFolder(pid) / "cmdline");
  if (!commandLine) return std::nullopt;
  return parseCommandLine(*commandLine);
}

std::optional<ProcessSnapshot> ProcessListing::snapshot(std::int32_t pid) const {
  auto executable = executablePath(pid);
  if (!executable) return std::nullopt;
  auto argumentVector = arguments(pid);
  if (!argumentVector) return std::nullopt;
  return ProcessSnapshot{pid, std::move(*executable), std::move(*argumentVector)};
}

std::optional<std::int64_t> ProcessListing::bootTime() const {
  const auto procStat = FileSystem::readGeneratedFile(root_ / "proc" / "stat");
  if (!procStat) return std::nullopt;
  const auto bootTime = parseBootTime(*procStat);
  if (!bootTime || *bootTime < 0) return std::nullopt;
  return bootTime;
}

std::optional<ProcessRecord> ProcessListing::record(std::int32_t pid) const {
  if (pid < 1) return std::nullopt;
  const auto boot = bootTime();
  if (!boot) return std::nullopt;
  return record(pid, *boot);
}

std::optional<ProcessRecord> ProcessListing::record(std::int32_t pid, std::int64_t bootTime) const {
  if (pid < 1 || bootTime < 0) return std::nullopt;
  const auto stat = FileSystem::readGeneratedFile(processFolder(pid) / "stat");
  if (!stat) return std::nullopt;
  const auto fields = parseProcessStat(*stat);
  const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
  if (!fields || ticksPerSecond <= 0) return std::nullopt;
  const std::uint64_t seconds = fields->startTicks / static_cast<std::uint64_t>(ticksPerSecond);
  if (seconds > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() - bootTime)) {
    return std::nullopt;
  }
  return ProcessRecord{fields->parent, bootTime + static_cast<std::int64_t>(seconds)};
}

std::optional<std::vector<ProcessSnapshot>> ProcessListing::listProcesses() const {
  const auto pids = listAllPIDs();
  if (!pids) return std::nullopt;
  std::vector<ProcessSnapshot> processes;
  for (const std::int32_t pid : *pids) {
    if (auto process = snapshot(pid)) processes.push_back(std::move(*process));
  }
  return processes;
}

bool ProcessListing::isZombie(std::int32_t pid) const {
  if (pid < 1) return false;
  const auto stat = FileSystem::readGeneratedFile(processFolder(pid) / "stat");
  return stat && statShowsZombie(*stat);
}

}  // namespace vigilix::platform
