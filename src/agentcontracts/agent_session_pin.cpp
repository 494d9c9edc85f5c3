#include "agentcontracts/agent_session_pin.h"

#include "platform/crypto/sha256.h"
#include "platform/json/json_reader.h"
#include "platform/json/json_writer.h"

namespace vigilix {

namespace json = platform::json;

namespace {

constexpr std::size_t kMaximumBytes = 512;

std::filesystem::path pinFile(std::string_view session, const std::filesystem::path& folder) {
  return folder / (platform::sha256HexString(platform::sha256(session)) + ".epoch");
}

}  // namespace

namespace VGXAgentSessionPins {

std::string encode(const VGXAgentSessionPin& pin) {
  json::Value document{{"epoch", pin.epoch}, {"gen", pin.gen}};
  if (pin.stopped) document["stopped"] = true;
  return json::write(document, {.sortedKeys = true}).value_or("");
}

std::optional<VGXAgentSessionPin> decode(std::string_view text) {
  const auto document = json::parse(text);
  if (!document || !document->is_object()) return std::nullopt;
  const auto epoch = document->find("epoch");
  const auto gen = document->find("gen");
  if (epoch == document->end() || !epoch->is_string() || gen == document->end() ||
      !gen->is_number_integer()) {
    return std::nullopt;
  }
  VGXAgentSessionPin pin{epoch->get<std::string>(), gen->get<std::int64_t>()};
  if (const auto stopped = document->find("stopped"); stopped != document->end()) {
    if (!stopped->is_boolean()) return std::nullopt;
    pin.stopped = stopped->get<bool>();
  }
  return pin;
}

std::expected<std::optional<VGXAgentSessionPin>, VGXAgentFileError> read(
    std::string_view session, const std::filesystem::path& folder) {
  const auto file = pinFile(session, folder);
  std::optional<VGXAgentSessionPin> pin;
  auto done = updateLockedFile(file, kMaximumBytes,
                               [&](const std::optional<std::string>& contents)
                                   -> std::expected<std::optional<std::string>, VGXAgentFileError> {
                                 // A new file is empty: nothing held yet.
                                 if (contents && contents->empty()) return std::nullopt;
                                 if (contents) pin = decode(*contents);
                                 if (!pin)
                                   agentFilesLog().error("Damaged session epoch {} read as none",
                                                         file.string());
                                 return std::nullopt;
                               });
  if (!done) return std::unexpected(std::move(done.error()));
  return pin;
}

std::expected<void, VGXAgentFileError> write(std::string_view session,
                                             const std::filesystem::path& folder,
                                             const VGXAgentSessionPin& pin) {
  const std::string text = encode(pin);
  if (text.empty() || text.size() > kMaximumBytes) {
    return std::unexpected(VGXAgentFileError{"session epoch too long to keep"});
  }
  return updateLockedFile(
      pinFile(session, folder), kMaximumBytes,
      [&](const std::optional<std::string>&)
          -> std::expected<std::optional<std::string>, VGXAgentFileError> { return text; });
}

}  // namespace VGXAgentSessionPins

}  // namespace vigilix
