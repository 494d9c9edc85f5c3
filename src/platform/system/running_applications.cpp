#include "platform/system/running_applications.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/base/current_instance.h"
#include "platform/fs/file_system.h"
#include "platform/system/active_window.h"
#include "platform/system/desktop_entries.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

constexpr std::size_t kKernelNameLength = 15;

// The executable's file name. When the executable cannot be read (another
// user's process), the file name of the first argument, if the kernel's name
// for the process (the first 15 bytes of the file name it ran) confirms it.
std::optional<std::string> identifierOf(const std::filesystem::path& process) {
  auto commandLine = FileSystem::readFile(process / "cmdline");
  if (!commandLine || commandLine->empty()) return std::nullopt;

  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink(process / "exe", error);
  if (!error) {
    std::string name = executable.filename().string();
    // A replaced executable reads as "<path> (deleted)".
    constexpr std::string_view kDeleted = " (deleted)";
    if (name.ends_with(kDeleted)) name.erase(name.size() - kDeleted.size());
    if (!name.empty()) return name;
  }
  const std::string first = commandLine->substr(0, commandLine->find('\0'));
  std::string name = std::filesystem::path(first).filename().string();
  const auto kernelName = readTrimmedFile(process / "comm");
  if (!kernelName || kernelName->empty()) return std::nullopt;
  const bool confirmed = name == *kernelName ||
                         (kernelName->size() == kKernelNameLength && name.starts_with(*kernelName));
  if (!confirmed) return std::nullopt;
  return name;
}

// The kernel's name for the process in a stat line: it changes when the
// process runs another program, which its start time does not.
std::string_view kernelNameIn(std::string_view stat) {
  const std::size_t open = stat.find('(');
  const std::size_t close = stat.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
  return stat.substr(open + 1, close - open - 1);
}

}  // namespace

LiveRunningApplications::LiveRunningApplications() : LiveRunningApplications(FileSystem::root()) {}

LiveRunningApplications::LiveRunningApplications(std::filesystem::path root)
    : root_(std::move(root)) {}

LiveRunningApplications::LiveRunningApplications(
    std::filesystem::path root, std::vector<std::filesystem::path> applicationFolders)
    : root_(std::move(root)), applicationFolders_(std::move(applicationFolders)) {}

std::vector<RunningApplication> LiveRunningApplications::runningApplications() {
  const std::filesystem::path proc = root_ / "proc";
  std::vector<std::int32_t> pids;
  for (const std::string& entry : listFolder(proc)) {
    const auto pid = parseUnsigned(entry);
    if (pid && *pid > 0 && *pid <= INT32_MAX) pids.push_back(static_cast<std::int32_t>(*pid));
  }
  std::sort(pids.begin(), pids.end());

  // Looked at once per listing, and only when some process needs a name.
  std::shared_ptr<const DesktopApplicationNames> names;
  std::vector<RunningApplication> applications;
  applications.reserve(pids.size());
  for (const std::int32_t pid : pids) applications.push_back(applicationFor(pid, names));
  // Processes that are gone are forgotten, so a reused pid is looked at afresh.
  std::lock_guard lock(knownMutex_);
  std::erase_if(known_, [&](const auto& entry) {
    return !std::binary_search(pids.begin(), pids.end(), entry.first);
  });
  return applications;
}

std::optional<std::string> LiveRunningApplications::identifierFor(std::int32_t pid) {
  // Joined as text: every process's stat is read at every pass, and most end here.
  const std::string folder = root_.native() + "/proc/" + std::to_string(pid);
  const auto statText = FileSystem::readGeneratedFile(folder + "/stat");
  const auto stat = statText ? parseProcessStat(*statText) : std::nullopt;
  // Without a readable stat there is no telling whether it is the same process.
  if (!stat) return identifierOf(folder);
  if (stat->isKernelThread()) return std::nullopt;
  {
    std::lock_guard lock(knownMutex_);
    const auto found = known_.find(pid);
    if (found != known_.end() && found->second.startTicks == stat->startTicks &&
        found->second.kernelName == kernelNameIn(*statText)) {
      return found->second.identifier;
    }
  }
  auto identifier = identifierOf(folder);
  std::lock_guard lock(knownMutex_);
  known_[pid] = Known{stat->startTicks, std::string(kernelNameIn(*statText)), identifier};
  return identifier;
}

RunningApplication LiveRunningApplications::applicationFor(
    std::int32_t pid, std::shared_ptr<const DesktopApplicationNames>& names) {
  RunningApplication application;
  application.processIdentifier = pid;
  application.bundleIdentifier = identifierFor(pid);
  if (application.bundleIdentifier) {
    if (!names) names = currentNames();
    const auto name = names->nameFor(*application.bundleIdentifier);
    application.isRegular = name.has_value();
    application.localizedName = name.value_or(*application.bundleIdentifier);
    application.iconName = names->iconFor(*application.bundleIdentifier);
  }
  return application;
}

std::shared_ptr<const DesktopApplicationNames> LiveRunningApplications::currentNames() {
  std::vector<std::filesystem::path> now = folders();
  std::lock_guard lock(namesMutex_);
  if (!names_ || now != namesFolders_ || !names_->isCurrent()) {
    names_ = std::make_shared<const DesktopApplicationNames>(now);
    namesFolders_ = std::move(now);
  }
  return names_;
}

std::vector<std::filesystem::path> LiveRunningApplications::folders() const {
  if (applicationFolders_) return *applicationFolders_;
  return userApplicationFolders(root_);
}

std::optional<RunningApplication> LiveRunningApplications::frontmostApplication() {
  const std::optional<std::int32_t> pid = ActiveWindowOwner::current().processIdentifier();
  if (!pid || *pid <= 0) return std::nullopt;
  std::shared_ptr<const DesktopApplicationNames> names;
  RunningApplication application = applicationFor(*pid, names);
  // A window whose process is gone, or is not one of ours to see, names none.
  if (!application.bundleIdentifier) return std::nullopt;
  return application;
}

namespace {
constinit CurrentInstance<RunningApplications> currentApplications{
    &processLifetimeInstance<RunningApplications, LiveRunningApplications>};
}  // namespace

RunningApplications& RunningApplications::current() { return currentApplications.get(); }

RunningApplications* RunningApplications::setCurrent(RunningApplications* applications) {
  return currentApplications.install(applications);
}

}  // namespace vigilix::platform
