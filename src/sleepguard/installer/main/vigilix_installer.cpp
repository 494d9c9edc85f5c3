#include "sleepguard/installer/installer_daemon.h"

int main() { return vigilix::VGXInstallerDaemon::run(); }
