#include "dbus/private_bus.h"

#include <systemd/sd-bus.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "platform/dbus/bus_connection.h"
#include "testing/absent_bus.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {

namespace {

using platform::BusKind;

const char* kindWord(BusKind kind) { return kind == BusKind::System ? "system" : "session"; }

std::filesystem::path socketIn(const std::filesystem::path& folder, BusKind kind) {
  return folder / (std::string(kindWord(kind)) + "_bus_socket");
}

// Permissive, like the CI machines' own bus would be to root, and without
// the machine's service folders, so nothing of the machine's is ever started.
std::string configFor(BusKind kind, const std::filesystem::path& socket,
                      const std::filesystem::path& services) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>" +
         std::string(kindWord(kind)) +
         "</type>\n"
         "  <listen>unix:path=" +
         socket.string() +
         "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <servicedir>" +
         services.string() +
         "</servicedir>\n"
         "  <policy context=\"default\">\n"
         "    <allow user=\"*\"/>\n"
         "    <allow own=\"*\"/>\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow receive_sender=\"*\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

}  // namespace

PrivateBus::PrivateBus(BusKind kind, const std::vector<Activatable>& activatable)
    : kind_(kind),
      folder_(makeTemporaryFolder(std::string("vigilix-") + kindWord(kind))),
      address_("unix:path=" + socketIn(folder_, kind).string()),
      addressVariable_(busAddressVariable(kind), address_) {
  const std::filesystem::path config = folder_ / (std::string(kindWord(kind)) + ".conf");
  const std::filesystem::path services = folder_ / "services";
  std::filesystem::create_directories(services);
  for (const Activatable& service : activatable) {
    std::ofstream(services / (service.name + ".service"))
        << "[D-BUS Service]\nName=" << service.name << "\nExec=" << service.program << "\n";
  }
  std::ofstream(config) << configFor(kind, socketIn(folder_, kind), services);

  daemon_.emplace(
      std::vector<std::string>{"/usr/bin/dbus-daemon", "--config-file=" + config.string(),
                               "--nofork", "--nosyslog"},
      folder_ / "dbus-daemon.log");
  const bool answers =
      waitUntil([this] {
        return platform::BusConnection::open(kind_).has_value() || !daemon_->running();
      }) &&
      hasOwner("org.freedesktop.DBus");
  if (!answers) {
    throw std::runtime_error(std::string("the private ") + kindWord(kind) +
                             " bus did not start:\n" + log());
  }
}

PrivateBus::~PrivateBus() {
  daemon_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

bool PrivateBus::hasOwner(const std::string& name) const {
  auto bus = platform::BusConnection::open(kind_);
  if (!bus) return false;
  auto reply = bus->call(
      {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner"},
      [&](platform::BusArgumentWriter& out) { out.string(name); });
  return platform::readReply<bool>(reply).value_or(false);
}

void PrivateBus::stop() { daemon_.reset(); }

std::string PrivateBus::log() const { return readFile(folder_ / "dbus-daemon.log"); }

}  // namespace vigilix::testing
