#include "platform/fs/no_follow_walk.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"

namespace vigilix::platform {

namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW;

std::unexpected<WalkFailure> fail(WalkStep step, int code) {
  return std::unexpected(WalkFailure{step, code});
}

}  // namespace

std::expected<UniqueFd, WalkFailure> openDirectoryNoFollow(
    const std::filesystem::path& root, const std::vector<std::string>& components,
    const DirectoryVerifier& verify) {
  auto rootFacts = factsOfPath(root);
  if (!rootFacts) return fail(WalkStep::statRoot, rootFacts.error());
  if (!rootFacts->isDirectory) return fail(WalkStep::statRoot, ENOTDIR);
  auto current = openAt(AT_FDCWD, root.string(), kDirectoryFlags);
  if (!current) return fail(WalkStep::openRoot, current.error());
  if (!verify(current->get())) return fail(WalkStep::refused, 0);

  for (const auto& name : components) {
    auto facts = factsAt(current->get(), name);
    if (!facts) return fail(WalkStep::component, facts.error());
    if (!facts->isDirectory) return fail(WalkStep::component, facts->isSymlink ? ELOOP : ENOTDIR);
    auto next = openAt(current->get(), name, kDirectoryFlags);
    if (!next) return fail(WalkStep::openDirectory, next.error());
    *current = std::move(*next);
    if (!verify(current->get())) return fail(WalkStep::refused, 0);
  }
  return std::move(*current);
}

}  // namespace vigilix::platform
