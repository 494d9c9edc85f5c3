// Any bytes in the user's defaults file and in a managed file: opening never
// crashes; a readable file keeps every value through a rewrite; a damaged
// one is moved aside with its bytes unchanged and never written over.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/defaults/live_user_defaults.h"
#include "platform/defaults/property_list_codec.h"
#include "platform/fs/file_system.h"

namespace {

using vigilix::platform::FileSystem;

const vigilix::platform::DefaultsFiles& files() {
  static const vigilix::platform::DefaultsFiles paths = [] {
    // Memory-backed where there is one: every write syncs to disk.
    char folder[] = "/dev/shm/fuzz-defaults-XXXXXX";
    char fallback[] = "/tmp/fuzz-defaults-XXXXXX";
    const char* root = ::mkdtemp(folder);
    if (root == nullptr) root = ::mkdtemp(fallback);
    if (root == nullptr) std::abort();
    FileSystem::setRoot(FileSystem::Path(root));
    FileSystem::setHomeDirectory(FileSystem::Path(root) / "home");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(FileSystem::root(), ignored);
    });
    return vigilix::platform::defaultsFilesFor(vigilix::platform::kStandardDomain, false, "fuzzer");
  }();
  return paths;
}

void clear(const FileSystem::Path& folder) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    std::filesystem::remove(entry.path(), ignored);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& paths = files();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const auto folder = paths.user.parent_path();
  clear(folder);
  if (!FileSystem::writeFileAtomically(paths.user, bytes, 0600)) std::abort();
  if (!FileSystem::writeFileAtomically(paths.managed.front(), bytes)) std::abort();

  const auto readable = vigilix::platform::decodePropertyList(bytes);
  vigilix::platform::PropertyDictionary before;
  {
    vigilix::platform::LiveUserDefaults defaults(vigilix::platform::kStandardDomain, paths);
    if (readable && readable->isDictionary()) {
      before = std::get<vigilix::platform::PropertyDictionary>(readable->value);
      for (const auto& [key, value] : before) {
        if (defaults.userValue(key) != value && value == value) std::abort();
      }
    } else {
      const auto error = defaults.lastError();
      if (!error || !error->movedAsideTo) std::abort();
      if (FileSystem::readFile(*error->movedAsideTo) != bytes) std::abort();
    }
    defaults.set("fuzz.written", 1);
    if (defaults.hasPendingChanges()) std::abort();
  }
  // What was kept reads back after the rewrite.
  const auto stored = vigilix::platform::decodePropertyList(*FileSystem::readFile(paths.user));
  if (!stored || !stored->isDictionary()) std::abort();
  const auto& after = std::get<vigilix::platform::PropertyDictionary>(stored->value);
  if (after.size() != before.size() + (before.contains("fuzz.written") ? 0 : 1)) std::abort();
  return 0;
}
