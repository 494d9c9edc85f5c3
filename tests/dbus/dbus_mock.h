#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"

namespace vigilix::testing {

// A python3-dbusmock service on a private bus, from a stock template name or
// a template file, with the template's JSON `parameters` when not empty;
// ready once it owns `busName`. Throws std::runtime_error
// (with its log) when it does not come up in time.
class DbusMock {
 public:
  DbusMock(const PrivateBus& bus, const std::string& templateName, std::string busName,
           const std::string& parameters = "");
  ~DbusMock();
  DbusMock(const DbusMock&) = delete;
  DbusMock& operator=(const DbusMock&) = delete;

  pid_t pid() const { return process_.pid(); }
  // Ends the service at once (SIGKILL) and waits until its name is gone.
  void kill();
  std::string log() const;

 private:
  const PrivateBus& bus_;
  std::string busName_;
  std::filesystem::path logFile_;
  TestChildProcess process_;
};

// The local logind template whose inhibitor locks record their callers.
std::string logindInhibitTemplate();
// The local systemd template whose unit files are enabled and disabled under polkit.
std::string systemdUnitFilesTemplate();
// The local gnome-session template whose InhibitedActions follow the cookies held.
std::string gnomeSessionInhibitTemplate();

}  // namespace vigilix::testing
