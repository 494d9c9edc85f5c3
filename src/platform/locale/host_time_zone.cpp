#include "platform/locale/host_time_zone.h"

#include <system_error>

#include "platform/fs/file_system.h"

namespace vigilix::platform {
namespace {

constexpr std::string_view kZoneFolder = "zoneinfo/";

// "Europe/London" from ".../zoneinfo/Europe/London" or ".../zoneinfo/posix/Europe/London".
std::optional<std::string> nameInZoneFolder(std::string_view path) {
  const std::size_t at = path.rfind(kZoneFolder);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view name = path.substr(at + kZoneFolder.size());
  for (const std::string_view variant : {"posix/", "right/"}) {
    if (name.starts_with(variant)) name.remove_prefix(variant.size());
  }
  return std::string(name);
}

// Only a plain name of a zone the system has: no empty, absolute or climbing part, and no
// NUL that would end the file's name before the zone's.
std::optional<std::string> known(std::optional<std::string> name,
                                 const std::filesystem::path& root) {
  if (!name || name->empty() || name->front() == '/' || name->find('\0') != std::string::npos) {
    return std::nullopt;
  }
  for (const auto& part : std::filesystem::path(*name)) {
    if (part.empty() || part == "." || part == "..") return std::nullopt;
  }
  std::error_code error;
  if (!std::filesystem::is_regular_file(root / "usr/share/zoneinfo" / *name, error)) {
    return std::nullopt;
  }
  return name;
}

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

std::optional<std::string> hostTimeZoneName(std::optional<std::string_view> tz,
                                            const std::filesystem::path& root) {
  if (tz) {
    if (tz->starts_with(':')) tz->remove_prefix(1);
    if (tz->starts_with('/')) return known(nameInZoneFolder(*tz), root);
    return known(std::string(*tz), root);
  }
  std::error_code error;
  const auto target = std::filesystem::read_symlink(root / "etc/localtime", error);
  if (!error) return known(nameInZoneFolder(target.native()), root);
  const auto named = FileSystem::readFile(root / "etc/timezone");
  if (!named) return std::nullopt;
  return known(std::string(trimmed(*named)), root);
}

}  // namespace vigilix::platform
