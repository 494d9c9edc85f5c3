#include "agenthooks/hook_command.h"
#include "agenthooks/hook_installer.h"
#include "platform/fs/file_system.h"

namespace vigilix {

VGXHookInstaller VGXHookInstaller::forCurrentUser(VGXAgentTool tool) {
  return VGXHookInstaller(tool, hooksFileURL(tool, platform::FileSystem::homeDirectory()),
                          commandLineToolPath());
}

}  // namespace vigilix
