#include "sleepguard/installer/installer_idle_exit.h"

namespace vigilix {

void VGXInstallerIdleExit::connectionOpened() {
  ++connections_;
  deadline_.reset();
}

void VGXInstallerIdleExit::connectionClosed(double now) {
  if (connections_ > 0) --connections_;
  if (connections_ < 1) deadline_ = now + kIdleSeconds;
}

bool VGXInstallerIdleExit::isDue(double now) const {
  return deadline_ && now >= *deadline_ && connections_ == 0;
}

}  // namespace vigilix
