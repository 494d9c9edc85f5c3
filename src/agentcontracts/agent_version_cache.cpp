#include "agentcontracts/agent_version_cache.h"

#include <fmt/format.h>
#include <sys/stat.h>

#include "platform/base/text.h"
#include "platform/fs/file_system.h"
#include "platform/json/json_reader.h"
#include "platform/json/number_text.h"
#include "platform/system/proc_values.h"

namespace vigilix {

namespace json = platform::json;

namespace {

constexpr std::size_t kMaximumVersion = 64;

bool isTextMap(const json::Value& document) {
  if (!document.is_object()) return false;
  for (const auto& [key, value] : document.items()) {
    if (!value.is_string()) return false;
  }
  return true;
}

}  // namespace

namespace VGXAgentVersionCache {

std::optional<std::string> cacheKey(const std::filesystem::path& executable) {
  struct stat info {};
  if (::stat(executable.c_str(), &info) != 0) return std::nullopt;
  const double modified =
      static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
  return fmt::format("{}|{}:{}|{}", executable.string(), info.st_dev, info.st_ino,
                     json::decimalDescription(modified));
}

std::optional<std::string> cachedVersion(const std::filesystem::path& executable,
                                         const std::filesystem::path& cacheFile) {
  const auto key = cacheKey(executable);
  if (!key) return std::nullopt;
  const auto text = platform::FileSystem::readFile(cacheFile);
  if (!text) return std::nullopt;
  const auto document = json::parse(*text);
  if (!document || !isTextMap(*document)) return std::nullopt;
  const auto found = document->find(*key);
  if (found == document->end()) return std::nullopt;
  const auto& version = found->get_ref<const std::string&>();
  if (version.empty() || !platform::graphemeCountIsAtMost(version, kMaximumVersion)) {
    return std::nullopt;
  }
  return version;
}

std::expected<void, VGXAgentFileError> store(std::string_view version,
                                             const std::filesystem::path& executable,
                                             const std::filesystem::path& cacheFile) {
  const auto key = cacheKey(executable);
  if (!key) return {};
  return updateAgentDocument(cacheFile, isTextMap, [&](json::Value& document) {
    if (document.is_null()) document = json::Value::object();
    const std::string_view trimmed = platform::trimmedText(version);
    document[*key] = std::string(platform::prefixGraphemes(trimmed, kMaximumVersion));
  });
}

}  // namespace VGXAgentVersionCache

}  // namespace vigilix
