#include <system_error>

#include "agenthooks/hook_installer.h"
#include "platform/fs/file_system.h"

namespace vigilix {

namespace {

// The command-line tool is installed beside the application's executable.
std::string installedCLIPath() {
  std::error_code error;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
  // Without our own path the bare name still finds an installed tool on PATH.
  if (error) return "vigilix";
  return (program.parent_path() / "vigilix").string();
}

}  // namespace

VGXHookInstaller VGXHookInstaller::forCurrentUser(VGXAgentTool tool) {
  return VGXHookInstaller(tool, hooksFileURL(tool, platform::FileSystem::homeDirectory()),
                          installedCLIPath());
}

}  // namespace vigilix
