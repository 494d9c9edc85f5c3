#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/power/logind_inhibitors.h"
#include "platform/process/process_listing.h"

namespace vigilix {

using VGXProcessSnapshot = platform::ProcessSnapshot;

// What the clean-up and the uninstall must see gone before they remove the
// guard's files: guard processes (by executable path) and stray sleep
// switches. On Linux a sleep switch is a logind lock, so the strays are the
// processes other than this one holding a Vigilix sleep switch lock. Keeps no
// state; any thread; logind calls block for at most the bus timeout.
class VGXProcessTable {
 public:
  explicit VGXProcessTable(platform::ProcessListing listing = platform::ProcessListing(),
                           std::shared_ptr<platform::LogindInhibitors> logind =
                               std::make_shared<platform::LiveLogindInhibitors>());

  // Whether both answers below can be trusted: the processes can be listed
  // and logind's locks can be read. When false, nobody can tell what remains.
  bool canListProcesses() const;
  // The processes (pid 2 and up) running `executablePath`, also after the file
  // was replaced or removed (the kernel then shows it with " (deleted)").
  // Ascending; empty when the processes cannot be listed.
  std::vector<std::int32_t> pids(const std::string& executablePath) const;
  // Ascending; empty when logind's locks cannot be read.
  std::vector<std::int32_t> strayDisablerPIDs() const;

 private:
  platform::ProcessListing listing_;
  std::shared_ptr<platform::LogindInhibitors> logind_;
};

}  // namespace vigilix
