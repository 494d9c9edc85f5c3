#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "agenthooks/agent_tool.h"
#include "agenthooks/hook_install_error.h"
#include "platform/json/coding_errors.h"
#include "platform/json/value.h"

namespace vigilix {

// The shapes of the hooks files. Every file is one JSON object whose "hooks" object maps
// event names to arrays: of groups {"hooks": [entry, ...], ...} for every tool but cursor, of
// entries for cursor. An entry is ours when its "command" is a text with the hook marker.
// Values of any other shape are read past and never changed.

// The hooks file's bytes as a document: fails with the parser's message for text that is not
// JSON (an empty file included) and with notAnObject() for any other top level.
std::expected<platform::json::Value, VGXHookInstallError> readHooksDocument(std::string_view bytes);

struct VGXOwnHookEntry {
  std::string event;
  std::string executablePath;  // of the entry's command

  bool operator==(const VGXOwnHookEntry&) const = default;
};

// Our entries for the tool's events, in event-table order, then file order.
std::vector<VGXOwnHookEntry> ownEntries(VGXAgentTool tool, const platform::json::Value& document);

// Pretty-printed, keys sorted, "/" not escaped. Fails on what JSON cannot hold (a number
// that is not finite, text that is not UTF-8).
std::expected<std::string, platform::json::EncodingError> renderJSON(
    const platform::json::Value& document);

// Shared by the readers and the edits.
// The entry's command when the entry is ours, else nullptr.
const std::string* ownHookCommand(const platform::json::Value& entry);
// The group's "hooks" array, or nullptr when the group has none (or is no object).
const platform::json::Value* groupEntries(const platform::json::Value& group);

}  // namespace vigilix
