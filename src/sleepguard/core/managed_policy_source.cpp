#include "sleepguard/core/managed_policy_source.h"

#include <pwd.h>

#include <vector>

#include "platform/defaults/plist_defaults_store.h"
#include "platform/defaults/user_defaults.h"
#include "platform/fs/path_component.h"

namespace vigilix {

VGXManagedPolicySource::VGXManagedPolicySource(std::filesystem::path root,
                                               UsernameLookup usernameForUID)
    : root_(std::move(root)), usernameForUID_(std::move(usernameForUID)) {}

void VGXManagedPolicySource::setSettings(const VGXUserLidSettings& settings, std::uint32_t uid) {
  std::lock_guard held(lock_);
  settingsByUID_[uid] = settings;
}

std::optional<VGXGuardPolicy> VGXManagedPolicySource::policy(std::uint32_t uid) {
  VGXUserLidSettings settings = VGXUserLidSettings::defaultSettings();
  {
    std::lock_guard held(lock_);
    if (auto found = settingsByUID_.find(uid); found != settingsByUID_.end()) {
      settings = found->second;
    }
  }
  const auto name = usernameForUID_ ? usernameForUID_(uid) : std::nullopt;
  if (!name || !platform::isSinglePathComponent(*name)) return std::nullopt;
  const auto files = platform::managedPreferenceFiles(
      root_, std::string(platform::kStandardDomain) + ".plist", *name);
  return VGXGuardPolicyCombiner::combine(settings, VGXProfileRead::load(files.at(0)),
                                         VGXProfileRead::load(files.at(1)));
}

std::optional<std::string> systemUsernameForUID(std::uint32_t uid) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(static_cast<uid_t>(uid), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_name == nullptr) {
    return std::nullopt;
  }
  return std::string(found->pw_name);
}

}  // namespace vigilix
