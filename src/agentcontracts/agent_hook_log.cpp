#include "agentcontracts/agent_hook_log.h"

#include "platform/base/date_format.h"
#include "platform/base/text.h"
#include "platform/fs/file_system.h"
#include "platform/json/json_reader.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace json = platform::json;

namespace {

constexpr const char* kEvents = "events";

json::Value documentOf(const std::vector<VGXAgentHookRecord>& records) {
  json::Value events = json::Value::array();
  for (const VGXAgentHookRecord& record : records) {
    events.push_back(json::Value{{"at", record.at},
                                 {"tool", record.tool},
                                 {"event", record.event},
                                 {"result", record.result}});
  }
  return json::Value{{kEvents, std::move(events)}};
}

bool isLog(const json::Value& document) {
  if (!document.is_object() || !document.contains(kEvents)) return false;
  const json::Value& events = document[kEvents];
  if (!events.is_array()) return false;
  for (const json::Value& event : events) {
    if (!event.is_object()) return false;
  }
  return true;
}

std::vector<VGXAgentHookRecord> recordsOf(const json::Value& document) {
  std::vector<VGXAgentHookRecord> records;
  for (const json::Value& event : document[kEvents]) {
    const auto text = [&](const char* key) -> const std::string* {
      const auto found = event.find(key);
      return found != event.end() && found->is_string() ? found->get_ptr<const std::string*>()
                                                        : nullptr;
    };
    const std::string *at = text("at"), *tool = text("tool"), *name = text("event"),
                      *result = text("result");
    if (at && tool && name && result) records.push_back({*at, *tool, *name, *result});
  }
  return records;
}

std::string validText(std::string_view text) {
  return platform::utf16ToUtf8(platform::utf8ToUtf16(text));
}

}  // namespace

namespace VGXAgentHookLog {

std::vector<VGXAgentHookRecord> read(const std::filesystem::path& file) {
  const auto text = platform::FileSystem::readFile(file);
  if (!text) return {};
  const auto document = json::parse(*text);
  if (!document || !isLog(*document)) return {};
  return recordsOf(*document);
}

std::expected<void, VGXAgentFileError> append(std::string_view tool, std::string_view event,
                                              std::string_view result,
                                              const std::filesystem::path& file) {
  return updateAgentDocument(file, isLog, [&](json::Value& document) {
    std::vector<VGXAgentHookRecord> records =
        document.is_null() ? std::vector<VGXAgentHookRecord>{} : recordsOf(document);
    records.push_back({platform::iso8601Text(platform::Clock::current().now(), true),
                       validText(tool), validText(event), validText(result)});
    if (records.size() > maxRecords) {
      records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(maxRecords));
    }
    document = documentOf(records);
  });
}

}  // namespace VGXAgentHookLog

}  // namespace vigilix
