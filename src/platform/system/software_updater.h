#pragma once

#include <optional>
#include <string>

namespace vigilix::platform {

// The program's updater. Main thread.
class SoftwareUpdater {
 public:
  virtual ~SoftwareUpdater() = default;

  // Starts the updater once, at launch, with the feed in force.
  virtual void start(const std::string& feedURL) = 0;
  // Asks for a check; answers what to tell the user when none runs.
  virtual std::optional<std::string> checkForUpdates() = 0;
};

// On Linux the package manager updates programs: this updater never checks
// or downloads anything, logs the feed it was given and says so when asked.
class PackageManagedUpdater final : public SoftwareUpdater {
 public:
  void start(const std::string& feedURL) override;
  std::optional<std::string> checkForUpdates() override;
};

}  // namespace vigilix::platform
