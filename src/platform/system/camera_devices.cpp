#include "platform/system/camera_devices.h"

#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/system/proc_values.h"

namespace vigilix::platform {

namespace {

// The kernel names the open file by the path it was opened at; a video
// device node is "/dev/video" and its number.
bool isVideoDevice(std::string_view target) {
  constexpr std::string_view kPrefix = "/dev/video";
  if (!target.starts_with(kPrefix)) return false;
  return parseUnsigned(target.substr(kPrefix.size())).has_value();
}

bool holdsVideoDevice(const std::filesystem::path& descriptors) {
  for (const std::string& descriptor : listFolder(descriptors)) {
    std::error_code error;
    const std::filesystem::path target =
        std::filesystem::read_symlink(descriptors / descriptor, error);
    if (!error && isVideoDevice(target.native())) return true;
  }
  return false;
}

}  // namespace

LiveCameraDevices::LiveCameraDevices(std::filesystem::path root) : root_(std::move(root)) {}

bool LiveCameraDevices::isAnyRunning() {
  const std::filesystem::path proc = root_ / "proc";
  for (const std::string& entry : listFolder(proc)) {
    if (parseUnsigned(entry) && holdsVideoDevice(proc / entry / "fd")) return true;
  }
  return false;
}

}  // namespace vigilix::platform
