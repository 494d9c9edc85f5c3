#include "platform/ipc/process_identity.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>

#include "platform/fs/file_system.h"
#include "platform/process/process_listing.h"

namespace vigilix::platform {
namespace {

class LiveProcessIdentity final : public ProcessIdentity {
 public:
  explicit LiveProcessIdentity(std::filesystem::path root) : proc_(std::move(root) / "proc") {}

  std::expected<UniqueFd, int> openPidfd(pid_t pid) override {
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0) return std::unexpected(errno);
    return UniqueFd(static_cast<int>(fd));
  }

  bool isAlive(int pidfd) override {
    return ::syscall(SYS_pidfd_send_signal, pidfd, 0, nullptr, 0) == 0;
  }

  std::optional<std::uint64_t> startTicks(pid_t pid) override {
    auto text = FileSystem::readFile(proc_ / std::to_string(pid) / "stat");
    if (!text) return std::nullopt;
    auto stat = parseProcessStat(*text);
    if (!stat) return std::nullopt;
    return stat->startTicks;
  }

  std::optional<std::string> executablePath(pid_t pid) override {
    std::error_code error;
    auto target = std::filesystem::read_symlink(proc_ / std::to_string(pid) / "exe", error);
    if (error) return std::nullopt;
    return target.native();
  }

 private:
  std::filesystem::path proc_;
};

}  // namespace

std::unique_ptr<ProcessIdentity> ProcessIdentity::live(std::filesystem::path procRoot) {
  return std::make_unique<LiveProcessIdentity>(std::move(procRoot));
}

}  // namespace vigilix::platform
