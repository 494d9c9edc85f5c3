#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "sleepguard/core/guard_collaborators.h"
#include "sleepguard/core/managed_policy_combiner.h"

namespace vigilix {

// Closed-lid policy per user: the settings each hold request carried, made stricter by the
// managed profiles "<root>/run.tarvo.vigilix.plist" and "<root>/<user
// name>/run.tarvo.vigilix.plist", read afresh on every call. Thread-safe.
class VGXManagedPolicySource final : public VGXGuardPolicySource {
 public:
  // A user's name, or none when the user is unknown.
  using UsernameLookup = std::function<std::optional<std::string>(std::uint32_t uid)>;

  // `root` is the managed-preferences folder as a real path (see managedPreferencesFolder()).
  VGXManagedPolicySource(std::filesystem::path root, UsernameLookup usernameForUID);

  // Kept for the life of the process; validated only when a policy is combined.
  void setSettings(const VGXUserLidSettings& settings, std::uint32_t uid);
  // None when the user has no usable name or a profile is unreadable or malformed.
  std::optional<VGXGuardPolicy> policy(std::uint32_t uid) override;

 private:
  std::filesystem::path root_;
  UsernameLookup usernameForUID_;
  std::mutex lock_;
  std::map<std::uint32_t, VGXUserLidSettings> settingsByUID_;
};

// The system user database's name for `uid` (getpwuid_r with a 16384-byte buffer); none when
// the lookup fails or finds no entry or no name.
std::optional<std::string> systemUsernameForUID(std::uint32_t uid);

}  // namespace vigilix
