#pragma once

// The host's time zone as the system names it, read without ICU: the zone is looked up at
// every calendar made, and loading ICU's zone data for it kept ICU resident from start-up.
// Shared by this folder only.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix::platform {

// The zone the TZ variable (`tz`, none when unset) names, else the one /etc/localtime links
// to, else the one /etc/timezone names, each under `root`: only a name of the zone database
// that has a file under <root>/usr/share/zoneinfo. None when they give none such (a rule
// text in TZ, a copied /etc/localtime); the caller then asks ICU.
std::optional<std::string> hostTimeZoneName(std::optional<std::string_view> tz,
                                            const std::filesystem::path& root);

}  // namespace vigilix::platform
