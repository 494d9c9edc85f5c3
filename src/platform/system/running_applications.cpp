#include "platform/system/running_applications.h"

#include <system_error>
#include <utility>

#include "platform/base/current_instance.h"
#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

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
  auto name = readTrimmedFile(process / "comm");
  if (!name || name->empty()) return std::nullopt;
  return name;
}

}  // namespace

LiveRunningApplications::LiveRunningApplications(std::filesystem::path root)
    : root_(std::move(root)) {}

std::vector<RunningApplication> LiveRunningApplications::runningApplications() {
  std::vector<RunningApplication> applications;
  const std::filesystem::path proc = root_ / "proc";
  for (const std::string& entry : listFolder(proc)) {
    const auto pid = parseUnsigned(entry);
    if (!pid || *pid == 0 || *pid > INT32_MAX) continue;
    RunningApplication application;
    application.processIdentifier = static_cast<std::int32_t>(*pid);
    application.bundleIdentifier = identifierOf(proc / entry);
    if (application.bundleIdentifier) {
      application.localizedName = readTrimmedFile(proc / entry / "comm").value_or("");
    }
    applications.push_back(std::move(application));
  }
  return applications;
}

std::optional<RunningApplication> LiveRunningApplications::frontmostApplication() {
  return std::nullopt;
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
