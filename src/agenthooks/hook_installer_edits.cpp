// The in-memory edits of a hooks document.
#include <optional>

#include "agenthooks/hook_command.h"
#include "agenthooks/hook_installer.h"
#include "agenthooks/hooks_file_format.h"

namespace vigilix {

using platform::json::Value;

namespace {

Value newEntry(VGXAgentTool tool, const std::string& command) {
  if (tool == VGXAgentTool::cursor) return Value{{"command", command}};
  Value entry = Value::object();
  entry["type"] = "command";
  entry["command"] = command;
  return Value{{"hooks", Value::array({std::move(entry)})}};
}

// The first entry of ours in the event's list, for writing.
Value* firstOwnEntry(VGXAgentTool tool, Value& list) {
  for (Value& item : list) {
    if (tool == VGXAgentTool::cursor) {
      if (ownHookCommand(item) != nullptr) return &item;
      continue;
    }
    if (groupEntries(item) == nullptr) continue;
    for (Value& entry : item["hooks"]) {
      if (ownHookCommand(entry) != nullptr) return &entry;
    }
  }
  return nullptr;
}

// The list without our entries (dropping groups that held only ours); none when it held none.
std::optional<Value> withoutOwnEntries(VGXAgentTool tool, const Value& list) {
  bool removed = false;
  Value kept = Value::array();
  for (const Value& item : list) {
    if (tool == VGXAgentTool::cursor) {
      if (ownHookCommand(item) != nullptr) {
        removed = true;
      } else {
        kept.push_back(item);
      }
      continue;
    }
    const Value* entries = groupEntries(item);
    if (entries == nullptr) {
      kept.push_back(item);
      continue;
    }
    Value keptEntries = Value::array();
    for (const Value& entry : *entries) {
      if (ownHookCommand(entry) == nullptr) keptEntries.push_back(entry);
    }
    if (keptEntries.size() == entries->size()) {
      kept.push_back(item);
      continue;
    }
    removed = true;
    if (keptEntries.empty()) continue;
    Value group = item;
    group["hooks"] = std::move(keptEntries);
    kept.push_back(std::move(group));
  }
  if (!removed) return std::nullopt;
  return kept;
}

}  // namespace

Value VGXHookInstaller::plannedDocument() const {
  Value hooks = Value::object();
  for (const VGXHookEvent& event : hookEvents(tool_)) {
    hooks[std::string(event.name)] =
        Value::array({newEntry(tool_, hookCommand(tool_, event.verb, cliPath_))});
  }
  return Value{{"hooks", std::move(hooks)}};
}

VGXHookInstaller::Result VGXHookInstaller::installInto(Value& document) const {
  if (!document.is_object()) return std::unexpected(VGXHookInstallError::notAnObject());
  // Edited on a copy, so a refusal leaves the document whole.
  Value hooks = Value::object();
  if (const auto found = document.find("hooks"); found != document.end()) {
    if (!found->is_object()) return std::unexpected(VGXHookInstallError::unexpectedShape("hooks"));
    hooks = *found;
  }
  for (const VGXHookEvent& event : hookEvents(tool_)) {
    const std::string name(event.name);
    if (!hooks.contains(name)) hooks[name] = Value::array();
    Value& list = hooks[name];
    if (!list.is_array()) {
      return std::unexpected(VGXHookInstallError::unexpectedShape("hooks." + name));
    }
    const std::string command = hookCommand(tool_, event.verb, cliPath_);
    if (Value* entry = firstOwnEntry(tool_, list)) {
      (*entry)["command"] = command;
    } else {
      list.push_back(newEntry(tool_, command));
    }
  }
  document["hooks"] = std::move(hooks);
  return {};
}

void VGXHookInstaller::removeFrom(Value& document) const {
  if (!document.is_object()) return;
  const auto hooks = document.find("hooks");
  if (hooks == document.end() || !hooks->is_object()) return;
  for (const VGXHookEvent& event : hookEvents(tool_)) {
    const auto list = hooks->find(std::string(event.name));
    if (list == hooks->end() || !list->is_array()) continue;
    auto kept = withoutOwnEntries(tool_, *list);
    if (!kept) continue;
    if (kept->empty()) {
      hooks->erase(list);
    } else {
      *list = std::move(*kept);
    }
  }
}

}  // namespace vigilix
