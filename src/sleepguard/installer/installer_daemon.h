#pragma once

namespace vigilix {

// The installer program's entry.
namespace VGXInstallerDaemon {

// Takes the installer's socket (socket activation, else bound by itself),
// finishes an interrupted transaction and serves until idle or stopped. The
// exit status: 0, or 78 with one line on standard error when the socket
// cannot be had. Checks neither the user nor any argument.
int run();

}  // namespace VGXInstallerDaemon

}  // namespace vigilix
