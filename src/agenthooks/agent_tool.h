#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vigilix {

// The coding-agent tools whose own configuration files carry our hooks.
enum class VGXAgentTool { claude, codex, grok, cursor, gemini };

// allCases, in declaration order.
inline constexpr std::array<VGXAgentTool, 5> kAllAgentTools = {
    VGXAgentTool::claude, VGXAgentTool::codex, VGXAgentTool::grok, VGXAgentTool::cursor,
    VGXAgentTool::gemini};

// Exactly "claude", "codex", "grok", "cursor" or "gemini" (case counts); none otherwise.
std::optional<VGXAgentTool> agentToolFromRawValue(std::string_view rawValue);
std::string_view rawValue(VGXAgentTool tool);

// Localized texts for the settings.
std::string displayName(VGXAgentTool tool);
std::string stayAwakeNote(VGXAgentTool tool);

// What a hook asks of the command-line tool.
enum class VGXHookVerb { start, stop, end };
std::string_view rawValue(VGXHookVerb verb);

struct VGXHookEvent {
  std::string_view name;  // as the tool spells it; case counts
  VGXHookVerb verb;
  // Joined the table after files were installed without it: such a file is ours to update.
  bool addedLater = false;
};

// The tool's events in the order entries are added and examined.
std::span<const VGXHookEvent> hookEvents(VGXAgentTool tool);

// The tool's hooks file under a home folder (".claude/settings.json", ...).
std::filesystem::path hooksFileURL(VGXAgentTool tool, const std::filesystem::path& home);
// The folder whose absence means the tool is not set up: the hooks file's parent, for grok
// its grandparent (".grok" holds "hooks/vigilix.json").
std::filesystem::path toolFolderURL(VGXAgentTool tool, const std::filesystem::path& hooksFile);

}  // namespace vigilix
