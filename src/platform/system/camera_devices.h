#pragma once

namespace vigilix::platform {

class CameraDevices {
 public:
  virtual ~CameraDevices() = default;
  // Some video capture device is running, for any process.
  virtual bool isAnyRunning() = 0;
};

// Linux keeps no plain record of whether a video device streams (it would
// take inspecting every process's open files), so the live answer is the
// neutral one: no camera is in use.
class LiveCameraDevices final : public CameraDevices {
 public:
  bool isAnyRunning() override { return false; }
};

}  // namespace vigilix::platform
