// Any hooks file either fails to read or, for every tool's shape: installing gives every event
// an entry that runs the installer's path (or refuses and changes nothing), removing leaves no
// entry of ours, neither loses a foreign entry, and what renders reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "agenthooks/hook_installer.h"
#include "agenthooks/hooks_file_format.h"

namespace {

using vigilix::VGXAgentTool;
using vigilix::platform::json::Value;

void require(bool condition) {
  if (!condition) std::abort();
}

// Entries (and items that are no group) under the tool's events that are not ours.
std::size_t foreignEntries(VGXAgentTool tool, const Value& document) {
  std::size_t count = 0;
  const auto hooks = document.find("hooks");
  if (hooks == document.end() || !hooks->is_object()) return 0;
  for (const auto& event : vigilix::hookEvents(tool)) {
    const auto list = hooks->find(std::string(event.name));
    if (list == hooks->end() || !list->is_array()) continue;
    for (const Value& item : *list) {
      const Value* entries = tool == VGXAgentTool::cursor ? nullptr : vigilix::groupEntries(item);
      if (entries == nullptr) {
        count += vigilix::ownHookCommand(item) == nullptr ? 1 : 0;
        continue;
      }
      for (const Value& entry : *entries) count += vigilix::ownHookCommand(entry) == nullptr;
    }
  }
  return count;
}

void checkRendering(const Value& document) {
  const auto text = vigilix::renderJSON(document);
  if (!text) return;  // a number JSON cannot write back
  const auto again = vigilix::readHooksDocument(*text);
  require(again.has_value());
  require(vigilix::renderJSON(*again) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto document =
      vigilix::readHooksDocument(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!document) return 0;
  for (const VGXAgentTool tool : vigilix::kAllAgentTools) {
    const vigilix::VGXHookInstaller installer(tool, "hooks.json", "/opt/v'igilix");
    const std::size_t foreign = foreignEntries(tool, *document);
    Value edited = *document;
    if (!installer.installInto(edited)) {
      require(edited == *document);
      continue;
    }
    std::set<std::string> current;
    for (const auto& entry : vigilix::ownEntries(tool, edited)) {
      if (entry.executablePath == installer.cliPath()) current.insert(entry.event);
    }
    require(current.size() == vigilix::hookEvents(tool).size());
    require(foreignEntries(tool, edited) == foreign);
    checkRendering(edited);
    installer.removeFrom(edited);
    require(vigilix::ownEntries(tool, edited).empty());
    require(foreignEntries(tool, edited) == foreign);
    checkRendering(edited);
  }
  return 0;
}
