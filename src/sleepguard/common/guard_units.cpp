#include "sleepguard/common/guard_units.h"

#include <algorithm>

#include "sleepguard/common/guard_names.h"

namespace vigilix {
namespace {

std::string str(std::string_view text) { return std::string(text); }

std::vector<VGXUnitEntry> buildTable() {
  namespace N = VGXGuardNames;
  const std::string service = str(N::guardServiceUnit);
  const std::string client = str(N::guardSocketUnit);
  const std::string admin = str(N::adminSocketUnit);
  const std::string installer = str(N::installerServiceUnit);
  const std::string installerSocket = str(N::installerSocketUnit);
  return {
      {service, "Unit", "Description", "Vigilix sleep guard"},
      {service, "Unit", "Requires", client + " " + admin},
      {service, "Unit", "After", client + " " + admin},
      {service, "Service", "Type", "notify"},
      {service, "Service", "Environment",
       std::string(N::prefixVariable) + "=" + N::installPrefix()},
      {service, "Service", "ExecStart", str(N::guardExecutablePath)},
      {service, "Service", "WatchdogSec", "30"},
      {service, "Service", "Restart", "always"},
      // The app-missing finisher is started in the guard's group and must outlive it.
      {service, "Service", "KillMode", "process"},
      {service, "Service", "ProtectSystem", "strict"},
      // The finisher removes these units, so their folder stays writable.
      {service, "Service", "ReadWritePaths", str(N::stateDirectory) + " " + str(N::unitDirectory)},
      {service, "Service", "PrivateNetwork", "yes"},
      {service, "Service", "RestrictAddressFamilies", "AF_UNIX"},
      {service, "Service", "NoNewPrivileges", "yes"},
      // Four times the guard's cap of 64 connections: its own descriptors, the
      // peer checks' /proc reads and logind's calls always find one free.
      {service, "Service", "LimitNOFILE", "256"},
      {service, "Install", "WantedBy", "multi-user.target"},

      {client, "Unit", "Description", "Vigilix sleep guard client socket"},
      {client, "Socket", "ListenSequentialPacket", N::socketPath(N::guardMachService)},
      {client, "Socket", "FileDescriptorName", str(N::guardSocketName)},
      {client, "Socket", "SocketMode", "0666"},
      {client, "Socket", "Service", service},
      {client, "Install", "WantedBy", "sockets.target"},

      {admin, "Unit", "Description", "Vigilix sleep guard admin socket"},
      {admin, "Socket", "ListenSequentialPacket", N::socketPath(N::adminMachService)},
      {admin, "Socket", "FileDescriptorName", str(N::adminSocketName)},
      {admin, "Socket", "SocketMode", "0600"},
      {admin, "Socket", "Service", service},
      {admin, "Install", "WantedBy", "sockets.target"},

      {installer, "Unit", "Description", "Vigilix installer"},
      {installer, "Unit", "Requires", installerSocket},
      {installer, "Unit", "After", installerSocket},
      {installer, "Service", "Type", "simple"},
      {installer, "Service", "ExecStart", N::installerExecutablePath()},

      {installerSocket, "Unit", "Description", "Vigilix installer socket"},
      {installerSocket, "Socket", "ListenSequentialPacket", N::socketPath(N::installerMachService)},
      {installerSocket, "Socket", "FileDescriptorName", str(N::installerSocketName)},
      {installerSocket, "Socket", "SocketMode", "0666"},
      {installerSocket, "Socket", "Service", installer},
      {installerSocket, "Install", "WantedBy", "sockets.target"},
  };
}

}  // namespace

const std::vector<VGXUnitEntry>& VGXGuardUnitTable() {
  static const std::vector<VGXUnitEntry> table = buildTable();
  return table;
}

std::vector<std::string> VGXGuardUnitNames() {
  return {str(VGXGuardNames::guardServiceUnit), str(VGXGuardNames::guardSocketUnit),
          str(VGXGuardNames::adminSocketUnit)};
}

std::vector<std::string> VGXInstallerUnitNames() {
  return {str(VGXGuardNames::installerServiceUnit), str(VGXGuardNames::installerSocketUnit)};
}

std::string VGXRenderUnit(std::string_view unit) {
  std::string text;
  std::string_view section;
  for (const auto& entry : VGXGuardUnitTable()) {
    if (entry.unit != unit) continue;
    if (text.empty()) text = "# Associated application: run.tarvo.vigilix\n";
    if (entry.section != section) {
      section = entry.section;
      text += "\n[" + entry.section + "]\n";
    }
    text += entry.key + "=" + entry.value + "\n";
  }
  return text;
}

}  // namespace vigilix
