#pragma once

namespace vigilix::platform {

// How a sheet or an alert ended, with the platform's raw values. The buttons
// of an alert answer AlertFirstButtonReturn + their position.
enum class ModalResponse : int {
  Cancel = 0,
  OK = 1,
  Stop = -1000,
  Abort = -1001,
  Continue = -1002,
  AlertFirstButtonReturn = 1000,
  AlertSecondButtonReturn = 1001,
  AlertThirdButtonReturn = 1002,
};

}  // namespace vigilix::platform
