#include "agenthooks/hooks_file_format.h"

#include "agenthooks/hook_command.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"

namespace vigilix {

using platform::json::Value;

std::expected<Value, VGXHookInstallError> readHooksDocument(std::string_view bytes) {
  auto parsed = platform::json::parse(bytes);
  if (!parsed) return std::unexpected(VGXHookInstallError{parsed.error().localizedDescription()});
  if (!parsed->is_object()) return std::unexpected(VGXHookInstallError::notAnObject());
  return std::move(*parsed);
}

const std::string* ownHookCommand(const Value& entry) {
  if (!entry.is_object()) return nullptr;
  const auto command = entry.find("command");
  if (command == entry.end() || !command->is_string()) return nullptr;
  const auto& text = command->get_ref<const std::string&>();
  return containsHookMarker(text) ? &text : nullptr;
}

const Value* groupEntries(const Value& group) {
  if (!group.is_object()) return nullptr;
  const auto entries = group.find("hooks");
  return entries != group.end() && entries->is_array() ? &*entries : nullptr;
}

std::vector<VGXOwnHookEntry> ownEntries(VGXAgentTool tool, const Value& document) {
  std::vector<VGXOwnHookEntry> found;
  if (!document.is_object()) return found;
  const auto hooks = document.find("hooks");
  if (hooks == document.end() || !hooks->is_object()) return found;
  for (const VGXHookEvent& event : hookEvents(tool)) {
    const auto list = hooks->find(std::string(event.name));
    if (list == hooks->end() || !list->is_array()) continue;
    auto note = [&](const Value& entry) {
      if (const std::string* command = ownHookCommand(entry)) {
        found.push_back({std::string(event.name), executablePath(*command)});
      }
    };
    for (const Value& item : *list) {
      if (tool == VGXAgentTool::cursor) {
        note(item);
      } else if (const Value* entries = groupEntries(item)) {
        for (const Value& entry : *entries) note(entry);
      }
    }
  }
  return found;
}

std::expected<std::string, platform::json::EncodingError> renderJSON(const Value& document) {
  return platform::json::write(
      document, {.sortedKeys = true, .prettyPrinted = true, .withoutEscapingSlashes = true});
}

}  // namespace vigilix
