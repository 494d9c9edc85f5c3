#include "dbus/dbus_mock.h"

#include <signal.h>

#include <stdexcept>
#include <vector>

namespace vigilix::testing {

namespace {

std::vector<std::string> mockCommand(const PrivateBus& bus, const std::string& templateName,
                                     const std::string& parameters) {
  // The system's own interpreter: it has the dbus and gi modules dbusmock needs.
  std::vector<std::string> argv = {
      "/usr/bin/python3", "-m",
      "dbusmock",         "--template",
      templateName,       bus.kind() == platform::BusKind::System ? "--system" : "--session"};
  if (!parameters.empty()) argv.insert(argv.end(), {"--parameters", parameters});
  return argv;
}

}  // namespace

DbusMock::DbusMock(const PrivateBus& bus, const std::string& templateName, std::string busName,
                   const std::string& parameters)
    : bus_(bus),
      busName_(std::move(busName)),
      logFile_(bus.folder() / ("dbusmock-" + busName_ + ".log")),
      process_(mockCommand(bus, templateName, parameters), logFile_) {
  if (!waitUntil([this] { return bus_.hasOwner(busName_) || !process_.running(); }) ||
      !process_.running()) {
    throw std::runtime_error("dbusmock for " + busName_ + " did not start:\n" + log());
  }
}

DbusMock::~DbusMock() = default;

void DbusMock::kill() {
  process_.stop(SIGKILL);
  waitUntil([this] { return !bus_.hasOwner(busName_); });
}

std::string DbusMock::log() const { return readFile(logFile_); }

std::string logindInhibitTemplate() {
  return std::string(VIGILIX_DBUS_TEMPLATES_DIR) + "/logind_inhibit.py";
}

std::string systemdUnitFilesTemplate() {
  return std::string(VIGILIX_DBUS_TEMPLATES_DIR) + "/systemd_unit_files.py";
}

std::string gnomeSessionInhibitTemplate() {
  return std::string(VIGILIX_DBUS_TEMPLATES_DIR) + "/gnome_session_inhibit.py";
}

}  // namespace vigilix::testing
