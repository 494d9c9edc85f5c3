#pragma once

#include <filesystem>

namespace vigilix::platform {

class CameraDevices {
 public:
  virtual ~CameraDevices() = default;
  // Some video capture device is running, for any process.
  virtual bool isAnyRunning() = 0;
};

// A camera runs while some process holds a video device (/dev/video<N>) open:
// walks the open files of every process under <root>/proc and stops at the
// first one. Processes of other users whose open files cannot be read are
// not seen. Costly on a busy machine, so callers ask only when a rule needs
// the answer.
class LiveCameraDevices final : public CameraDevices {
 public:
  explicit LiveCameraDevices(std::filesystem::path root = "/");
  bool isAnyRunning() override;

 private:
  std::filesystem::path root_;
};

}  // namespace vigilix::platform
