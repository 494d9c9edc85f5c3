#include "platform/system/running_applications.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/base/current_instance.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_system.h"
#include "platform/system/active_window.h"
#include "platform/system/desktop_entries.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

constexpr std::size_t kKernelNameLength = 15;

// The file name of an executable as /proc/<pid>/exe names it; a replaced one reads as
// "<path> (deleted)". None when that leaves nothing.
std::optional<std::string> executableName(std::string_view target) {
  std::string name = std::filesystem::path(target).filename().string();
  constexpr std::string_view kDeleted = " (deleted)";
  if (name.ends_with(kDeleted)) name.erase(name.size() - kDeleted.size());
  if (name.empty()) return std::nullopt;
  return name;
}

// The executable's file name. When the executable cannot be read (another
// user's process), the file name of the first argument, if the kernel's name
// for the process (the first 15 bytes of the file name it ran) confirms it.
std::optional<std::string> identifierOf(const std::filesystem::path& process) {
  auto commandLine = FileSystem::readFile(process / "cmdline");
  if (!commandLine || commandLine->empty()) return std::nullopt;

  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink(process / "exe", error);
  if (!error) {
    if (auto name = executableName(executable.native())) return name;
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

// Room for any stat line: a 15-byte name and 50-odd numbers.
constexpr std::size_t kStatBufferSize = 2048;

// The process's stat line, read through the listing's handle on /proc; none when it cannot
// be read (the process is gone) or does not fit.
std::optional<std::string_view> readStat(int proc, std::int32_t pid,
                                         char (&buffer)[kStatBufferSize]) {
  char name[24];
  const auto end = std::to_chars(name, name + sizeof name, pid).ptr;
  const auto file = openAt(proc, std::string(name, end) + "/stat", O_RDONLY);
  if (!file) return std::nullopt;
  const auto count =
      readSome(file->get(), {reinterpret_cast<std::uint8_t*>(buffer), sizeof buffer});
  if (!count || *count == 0 || *count == sizeof buffer) return std::nullopt;
  return std::string_view(buffer, *count);
}

// The target of the process's exe link, read through the listing's handle on /proc; none when
// it cannot be read (another user's process, a kernel thread, a process that is gone).
std::optional<std::string_view> readExecutable(int proc, std::int32_t pid,
                                               char (&buffer)[PATH_MAX]) {
  char name[24];
  const auto end = std::to_chars(name, name + sizeof name - 5, pid).ptr;
  std::memcpy(end, "/exe", 5);
  const ssize_t length = ::readlinkat(proc, name, buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) == sizeof buffer) return std::nullopt;
  return std::string_view(buffer, static_cast<std::size_t>(length));
}

// A numeric entry of /proc with the inode number of its folder.
struct Listed {
  std::int32_t pid = 0;
  std::uint64_t inode = 0;
};

// The numeric names of an open /proc, in numeric order; empty when it cannot be listed.
std::vector<Listed> listedProcesses(int proc) {
  std::vector<Listed> listed;
  auto listing = openAt(proc, ".", O_RDONLY | O_DIRECTORY);
  if (!listing) return listed;
  const std::unique_ptr<DIR, int (*)(DIR*)> directory(::fdopendir(listing->get()), ::closedir);
  if (!directory) return listed;
  listing->release();
  while (const dirent* entry = ::readdir(directory.get())) {
    std::int32_t pid = 0;
    const std::string_view name = entry->d_name;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error == std::errc() && end == name.data() + name.size() && pid > 0) {
      listed.push_back(Listed{pid, entry->d_ino});
    }
  }
  std::sort(listed.begin(), listed.end(),
            [](const Listed& a, const Listed& b) { return a.pid < b.pid; });
  return listed;
}

}  // namespace

LiveRunningApplications::LiveRunningApplications() : LiveRunningApplications(FileSystem::root()) {}

LiveRunningApplications::LiveRunningApplications(std::filesystem::path root)
    : root_(std::move(root)) {}

LiveRunningApplications::LiveRunningApplications(
    std::filesystem::path root, std::vector<std::filesystem::path> applicationFolders)
    : root_(std::move(root)), applicationFolders_(std::move(applicationFolders)) {}

std::vector<RunningApplication> LiveRunningApplications::runningApplications() {
  // Looked at once per listing, and only when some process needs a name.
  std::shared_ptr<const DesktopApplicationNames> names;
  std::vector<RunningApplication> applications;
  scan([&](std::int32_t pid, const std::optional<std::string>& identifier) {
    applications.push_back(applicationFor(pid, identifier, names));
  });
  return applications;
}

std::vector<std::string> LiveRunningApplications::runningIdentifiers() {
  std::vector<std::string> identifiers;
  scan([&](std::int32_t, const std::optional<std::string>& identifier) {
    if (identifier) identifiers.push_back(*identifier);
  });
  return identifiers;
}

void LiveRunningApplications::scan(const Visit& visit) {
  const std::string procPath = (root_ / "proc").native();
  const auto proc = openAt(AT_FDCWD, procPath, O_RDONLY | O_DIRECTORY);
  if (!proc) return;
  const std::vector<Listed> listed = listedProcesses(proc->get());

  std::lock_guard lock(knownMutex_);
  std::swap(known_, previous_);
  known_.clear();
  auto before = previous_.begin();
  for (const auto [pid, inode] : listed) {
    while (before != previous_.end() && before->pid < pid) ++before;
    Known* prior = before != previous_.end() && before->pid == pid ? &*before : nullptr;
    auto looked = lookAt(proc->get(), procPath, pid, inode, prior);
    if (!looked) {
      // Without a readable stat there is no telling whether it is the same process.
      visit(pid, identifierOf(procPath + "/" + std::to_string(pid)));
      continue;
    }
    known_.push_back(std::move(*looked));
    visit(pid, known_.back().identifier);
  }
}

std::optional<LiveRunningApplications::Known> LiveRunningApplications::lookAt(
    int proc, const std::string& procPath, std::int32_t pid, std::uint64_t inode, Known* prior) {
  // /proc gives the folder of a pid taken again a new inode number: the same number is the
  // same process, which only running another program changes.
  const bool sameFolder = prior != nullptr && inode != 0 && prior->inode == inode;
  // A kernel thread never runs another program. Most of a desktop's processes are kernel threads.
  if (sameFolder && prior->kernelThread) return std::move(*prior);
  if (!sameFolder || !prior->executable.empty()) {
    char link[PATH_MAX];
    if (const auto target = readExecutable(proc, pid, link)) {
      if (sameFolder && prior->executable == *target) return std::move(*prior);
      if (auto name = executableName(*target)) {
        return Known{pid, 0, {}, std::move(name), inode, false, std::string(*target)};
      }
    }
  }
  char buffer[kStatBufferSize];
  const auto statText = readStat(proc, pid, buffer);
  const auto stat = statText ? parseProcessStat(*statText) : std::nullopt;
  if (!stat) return std::nullopt;
  const std::string_view kernelName = kernelNameIn(*statText);
  if (prior != nullptr && prior->executable.empty() && prior->startTicks == stat->startTicks &&
      prior->kernelName == kernelName) {
    prior->inode = inode;
    return std::move(*prior);
  }
  std::optional<std::string> identifier;
  if (!stat->isKernelThread()) identifier = identifierOf(procPath + "/" + std::to_string(pid));
  return Known{pid,
               stat->startTicks,
               std::string(kernelName),
               std::move(identifier),
               inode,
               stat->isKernelThread(),
               {}};
}

std::optional<std::string> LiveRunningApplications::identifierFor(std::int32_t pid) {
  const std::string procPath = (root_ / "proc").native();
  const auto proc = openAt(AT_FDCWD, procPath, O_RDONLY | O_DIRECTORY);
  const std::string folder = procPath + "/" + std::to_string(pid);
  struct stat status {};
  if (!proc || ::fstatat(proc->get(), std::to_string(pid).c_str(), &status, 0) != 0) {
    return identifierOf(folder);
  }
  std::lock_guard lock(knownMutex_);
  const auto found =
      std::lower_bound(known_.begin(), known_.end(), pid,
                       [](const Known& known, std::int32_t p) { return known.pid < p; });
  const bool listed = found != known_.end() && found->pid == pid;
  auto looked = lookAt(proc->get(), procPath, pid, status.st_ino, listed ? &*found : nullptr);
  if (!looked) return identifierOf(folder);
  if (listed) {
    *found = std::move(*looked);
    return found->identifier;
  }
  return known_.insert(found, std::move(*looked))->identifier;
}

RunningApplication LiveRunningApplications::applicationFor(
    std::int32_t pid, std::optional<std::string> identifier,
    std::shared_ptr<const DesktopApplicationNames>& names) {
  RunningApplication application;
  application.processIdentifier = pid;
  application.bundleIdentifier = std::move(identifier);
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
  RunningApplication application = applicationFor(*pid, identifierFor(*pid), names);
  // A window whose process is gone, or is not one of ours to see, names none.
  if (!application.bundleIdentifier) return std::nullopt;
  return application;
}

namespace {
constinit CurrentInstance<RunningApplications> currentApplications{
    &processLifetimeInstance<RunningApplications, LiveRunningApplications>};
}  // namespace

std::vector<std::string> RunningApplications::runningIdentifiers() {
  std::vector<std::string> identifiers;
  for (auto& application : runningApplications()) {
    if (application.bundleIdentifier)
      identifiers.push_back(std::move(*application.bundleIdentifier));
  }
  return identifiers;
}

RunningApplications& RunningApplications::current() { return currentApplications.get(); }

RunningApplications* RunningApplications::setCurrent(RunningApplications* applications) {
  return currentApplications.install(applications);
}

}  // namespace vigilix::platform
