#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hub/trigger_bridge.h"
#include "platform/defaults/user_defaults.h"
#include "triggers/system_sample.h"

namespace vigilix {

class CommandLineInbox;
class VGXProtectionVerifier;

// What the composition takes from the program (or a test) to build the hub.
struct HubComposition {
  platform::UserDefaults* defaults = nullptr;  // none: the standard defaults
  // Resolves saved bookmarks; empty: saved file watches cannot be restored.
  VGXTriggerBridge::BookmarkResolver resolveBookmark = {};
  // The trigger monitor's sampler, made at the hub's start; empty: the live machine.
  std::function<std::shared_ptr<SystemSampling>()> makeSampler = {};
  // The desktop's idle reading; empty: none.
  std::function<std::optional<double>()> secondsSinceLastInput = {};
  // Whose reason line the header shows first (held weakly); none: the state's alone.
  VGXProtectionVerifier* protectionVerifier = nullptr;
  // Tells the desktop's shells that the shared control state of a kind changed.
  std::function<void(const std::string& kind)> reloadControls = {};
  // The command-line tool's requests heard since before the bus name was
  // taken; none: heard from the hub's start.
  std::shared_ptr<CommandLineInbox> commandLineInbox = {};
};

// The application's composition root for the hub: builds every neighbour
// the hub reaches (agent holds, command line, control share, trigger
// monitor, managed policy, power inputs, session notices, global shortcut,
// pickers) and hands each in through the hub's small interface for it.
// Starts nothing. Main thread.
std::shared_ptr<VGXTriggerBridge> composeHub(const HubComposition& parts);

// The platform's bookmark service as the hub's resolver.
VGXTriggerBridge::BookmarkResolver platformBookmarkResolver();

}  // namespace vigilix
