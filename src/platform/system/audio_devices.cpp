#include "platform/system/audio_devices.h"

#include <cctype>
#include <string>
#include <string_view>
#include <utility>

#include "platform/fs/file_system.h"
#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

// "<prefix><digits>" with at least one digit.
bool isNumbered(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return false;
  for (char c : name.substr(prefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool statusIsRunning(const std::filesystem::path& status) {
  auto text = FileSystem::readFile(status);
  if (!text) return false;
  const std::string_view firstLine = std::string_view(*text).substr(0, text->find('\n'));
  const std::size_t colon = firstLine.find(':');
  if (colon == std::string_view::npos) return false;
  return trimmedText(firstLine.substr(0, colon)) == "state" &&
         trimmedText(firstLine.substr(colon + 1)) == "RUNNING";
}

}  // namespace

LiveAudioDevices::LiveAudioDevices() : LiveAudioDevices(FileSystem::root()) {}

LiveAudioDevices::LiveAudioDevices(std::filesystem::path root) : root_(std::move(root)) {}

bool LiveAudioDevices::isInputRunning() { return anySubstreamRunning('c'); }

bool LiveAudioDevices::isDefaultOutputRunning() { return anySubstreamRunning('p'); }

bool LiveAudioDevices::anySubstreamRunning(char direction) const {
  const std::filesystem::path asound = root_ / "proc/asound";
  for (const std::string& card : listFolder(asound)) {
    if (!isNumbered(card, "card")) continue;
    for (const std::string& device : listFolder(asound / card)) {
      if (device.size() < 5 || device.back() != direction) continue;
      if (!isNumbered(std::string_view(device).substr(0, device.size() - 1), "pcm")) continue;
      for (const std::string& substream : listFolder(asound / card / device)) {
        if (!isNumbered(substream, "sub")) continue;
        if (statusIsRunning(asound / card / device / substream / "status")) return true;
      }
    }
  }
  return false;
}

}  // namespace vigilix::platform
