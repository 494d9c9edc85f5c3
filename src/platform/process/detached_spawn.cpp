#include "platform/process/detached_spawn.h"

#include <fcntl.h>
#include <spawn.h>

namespace vigilix::platform {
namespace {

std::vector<char*> pointers(const std::vector<std::string>& texts) {
  std::vector<char*> out;
  out.reserve(texts.size() + 1);
  for (const std::string& text : texts) out.push_back(const_cast<char*>(text.c_str()));
  out.push_back(nullptr);
  return out;
}

}  // namespace

std::expected<pid_t, std::string> spawnDetached(const std::string& path,
                                                const std::vector<std::string>& arguments,
                                                const std::vector<std::string>& environment) {
  posix_spawn_file_actions_t actions;
  if (::posix_spawn_file_actions_init(&actions) != 0) return std::unexpected("spawn actions");
  posix_spawnattr_t attributes;
  if (::posix_spawnattr_init(&attributes) != 0) {
    ::posix_spawn_file_actions_destroy(&actions);
    return std::unexpected("spawn attr");
  }
  std::expected<pid_t, std::string> result = std::unexpected("spawn stdio");
  if (::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
      ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
      ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0) == 0) {
    if (::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID) != 0) {
      result = std::unexpected("spawn attr");
    } else {
      auto argv = pointers(arguments);
      auto envp = pointers(environment);
      pid_t pid = 0;
      const int status =
          ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
      if (status == 0) {
        result = pid;
      } else {
        result = std::unexpected("spawn finisher " + std::to_string(status));
      }
    }
  }
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  return result;
}

}  // namespace vigilix::platform
