#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/desktop_entries.h"

namespace vigilix::platform {

struct RunningApplication {
  std::int32_t processIdentifier = 0;
  // None when the application has no identifier.
  std::optional<std::string> bundleIdentifier;
  // The name shown to the user; empty when there is none.
  std::string localizedName{};
  // An application a person launches (a desktop entry names it), not a
  // helper or background process.
  bool isRegular = false;
  // The icon-theme name (or path) its desktop entry gives; empty when none.
  std::string iconName{};

  bool operator==(const RunningApplication&) const = default;
};

// The workspace's view of the running applications.
class RunningApplications {
 public:
  virtual ~RunningApplications() = default;
  // Empty when they cannot be listed.
  virtual std::vector<RunningApplication> runningApplications() = 0;
  // The identifiers of the listed processes that have one, in their order (an application
  // of several processes repeats): all a trigger on applications needs, without the names.
  virtual std::vector<std::string> runningIdentifiers();
  // None when no application is frontmost, or that cannot be told.
  virtual std::optional<RunningApplication> frontmostApplication() = 0;

  // The shared workspace's list: the live /proc reader unless a test
  // installed another (nullptr restores it). Returns the one replaced.
  static RunningApplications& current();
  static RunningApplications* setCurrent(RunningApplications* applications);
};

// The processes of <root>/proc in numeric order, one scan of /proc per
// listing, each file read relative to the listing's own handle on /proc. A
// process's identifier is worked out once and kept while it is the same
// process (its /proc folder has the same inode number) running the same
// program: for a process whose executable can be read, one readlink of its
// exe link per listing; for another user's process, one read of its stat
// line (the same start time and kernel name, which a new program changes);
// for a kernel thread, known from the flags of its stat line, nothing. A process's identifier is
// the file name of its executable (when that cannot be read, another user's process, the file name
// of its first argument if the kernel's name for the process confirms it); kernel threads (no
// command line) and processes that are gone have none. The name shown is that of the matching
// desktop entry of the XDG applications folders (by default those of the environment, mapped under
// <root>), else the identifier. The frontmost application is the process of the desktop's active
// window (ActiveWindowOwner), named the same way; none when that process has no identifier.
class LiveRunningApplications final : public RunningApplications {
 public:
  // The machine under the file-system root (FileSystem::root()).
  LiveRunningApplications();
  explicit LiveRunningApplications(std::filesystem::path root);
  LiveRunningApplications(std::filesystem::path root,
                          std::vector<std::filesystem::path> applicationFolders);
  std::vector<RunningApplication> runningApplications() override;
  std::vector<std::string> runningIdentifiers() override;
  std::optional<RunningApplication> frontmostApplication() override;

 private:
  struct Known {
    std::int32_t pid = 0;
    std::uint64_t startTicks = 0;  // and the kernel name: from the stat line, when read
    std::string kernelName;
    std::optional<std::string> identifier;
    std::uint64_t inode = 0;  // of its /proc folder; 0 when not known
    bool kernelThread = false;
    std::string executable;  // the target of its exe link; empty when it could not be read
  };
  using Visit = std::function<void(std::int32_t pid, const std::optional<std::string>&)>;

  std::vector<std::filesystem::path> folders() const;
  // `names` is looked up on first need and kept for the caller's next process.
  RunningApplication applicationFor(std::int32_t pid, std::optional<std::string> identifier,
                                    std::shared_ptr<const DesktopApplicationNames>& names);
  std::shared_ptr<const DesktopApplicationNames> currentNames();
  // Lists /proc and visits each process in numeric order with its identifier, from what the
  // previous listing found while it is the same process; the processes gone are forgotten.
  void scan(const Visit& visit);
  // The identifier of one process, kept like a listed one's.
  std::optional<std::string> identifierFor(std::int32_t pid);
  // What is known of one process from `prior` (taken when still true) and its files under the
  // open /proc; none when its stat line cannot be read either (nothing to keep).
  static std::optional<Known> lookAt(int proc, const std::string& procPath, std::int32_t pid,
                                     std::uint64_t inode, Known* prior);

  std::filesystem::path root_;
  std::optional<std::vector<std::filesystem::path>> applicationFolders_;
  // Kept between listings while its files are unchanged: the trigger monitor
  // lists every few seconds.
  std::mutex namesMutex_;
  std::vector<std::filesystem::path> namesFolders_;
  std::shared_ptr<const DesktopApplicationNames> names_;
  // Sorted by pid. The previous listing's table is kept to reuse its storage.
  std::mutex knownMutex_;
  std::vector<Known> known_;
  std::vector<Known> previous_;
};

}  // namespace vigilix::platform
