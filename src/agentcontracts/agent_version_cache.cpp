#include "agentcontracts/agent_version_cache.h"

#include <fmt/format.h>

#include "platform/base/text.h"
#include "platform/fs/file_system.h"
#include "platform/fs/file_version.h"
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
  const auto version = platform::versionOfPath(executable);
  if (!version) return std::nullopt;
  // Whole seconds and their fraction apart, as the time was kept, so the key stays the same.
  constexpr std::int64_t kBillion = 1'000'000'000;
  std::int64_t seconds = version->modifiedNanoseconds / kBillion;
  std::int64_t fraction = version->modifiedNanoseconds % kBillion;
  if (fraction < 0) {
    fraction += kBillion;
    --seconds;
  }
  const double modified = static_cast<double>(seconds) + static_cast<double>(fraction) / 1e9;
  return fmt::format("{}|{}:{}|{}", executable.string(), version->device, version->inode,
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
