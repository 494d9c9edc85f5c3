#include "agentcontracts/agent_files.h"

#include "platform/fs/file_system.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace json = platform::json;
using platform::FileSystem;

const platform::Logger& agentFilesLog() {
  static const platform::Logger logger("run.tarvo.vigilix", "agent-files");
  return logger;
}

std::expected<json::Value, VGXAgentFileError> readAgentDocumentForUpdate(
    const std::filesystem::path& path, const std::function<bool(const json::Value&)>& wellFormed) {
  auto text = FileSystem::readFile(path);
  if (!text) {
    if (text.error().isNotFound()) return json::Value();
    return std::unexpected(VGXAgentFileError{text.error().message});
  }
  auto document = json::parse(*text);
  if (document && wellFormed(*document)) return std::move(*document);
  auto moved = FileSystem::moveAside(path, platform::Clock::current().now());
  if (!moved) {
    agentFilesLog().error("Damaged file {} cannot be moved aside: {}", path.string(),
                          moved.error().message);
    return std::unexpected(VGXAgentFileError{"damaged file " + path.string() +
                                             " cannot be moved aside: " + moved.error().message});
  }
  agentFilesLog().error("Damaged file {} moved aside to {}; starting empty", path.string(),
                        moved->string());
  return json::Value();
}

std::expected<void, VGXAgentFileError> writeAgentDocument(const std::filesystem::path& path,
                                                          const json::Value& document) {
  auto text = json::write(document, {.sortedKeys = true, .prettyPrinted = true});
  if (!text) return std::unexpected(VGXAgentFileError{"cannot encode " + path.string()});
  auto written = FileSystem::writeFileAtomically(path, *text);
  if (!written) return std::unexpected(VGXAgentFileError{written.error().message});
  return {};
}

}  // namespace vigilix
