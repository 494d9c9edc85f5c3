#include "core/dzl_version.h"

#include "platform/base/format_placeholders.h"

namespace vigilix::DZLVersion {

namespace {

std::optional<std::string> text(const platform::PropertyDictionary& info, const char* key) {
  auto found = info.find(key);
  if (found == info.end() || !found->second.isString()) return std::nullopt;
  return std::get<std::string>(found->second.value);
}

}  // namespace

std::optional<std::string> dzl_shortVersionString(const platform::PropertyDictionary& info) {
  return text(info, kDZLShortVersionKey);
}

std::optional<std::string> dzl_buildVersionString(const platform::PropertyDictionary& info) {
  return text(info, kDZLBuildVersionKey);
}

std::string dzl_fullVersionString(const platform::PropertyDictionary& info) {
  return platform::fillPlaceholders("%@ (%@)", {dzl_shortVersionString(info).value_or(""),
                                                dzl_buildVersionString(info).value_or("")});
}

std::optional<std::string> dzl_localizedCopyrightString(const platform::PropertyDictionary& info) {
  return text(info, kDZLCopyrightKey);
}

}  // namespace vigilix::DZLVersion
