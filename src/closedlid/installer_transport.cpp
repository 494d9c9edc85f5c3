#include "closedlid/installer_transport.h"

#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"

namespace vigilix {

VGXServiceSocketExpectation installerSocketExpectation() {
  return {
      platform::FileSystem::pathFor(VGXGuardNames::socketPath(VGXGuardNames::installerMachService)),
      platform::FileSystem::pathFor(VGXGuardNames::installerExecutablePath()).string(), 0};
}

LiveInstallerTransport::LiveInstallerTransport(VGXServiceSocketExpectation expectation)
    : connection_(std::move(expectation)) {}

void LiveInstallerTransport::install(Reply reply) {
  connection_.send({VGXGuardMethod::install, false, 0, 0, {}}, std::move(reply));
}

void LiveInstallerTransport::uninstall(Reply reply) {
  connection_.send({VGXGuardMethod::uninstall, false, 0, 0, {}}, std::move(reply));
}

void LiveInstallerTransport::status(Reply reply) {
  connection_.send({VGXGuardMethod::status, false, 0, 0, {}}, std::move(reply));
}

}  // namespace vigilix
