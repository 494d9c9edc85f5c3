#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/process/guarded_child.h"

namespace vigilix {

// What a finished command said and how it ended: the exit code, or 128 plus
// the signal that ended it.
struct VGXCommandOutput {
  std::string output;
  std::int32_t status = 0;

  bool operator==(const VGXCommandOutput&) const = default;
};

// Runs a command to its end. None when the time-out passed (the command was
// killed); an error text when it could not be started or read.
class VGXCommandRunning {
 public:
  virtual ~VGXCommandRunning() = default;
  virtual std::expected<std::optional<VGXCommandOutput>, std::string> run(
      const std::string& executable, const std::vector<std::string>& arguments,
      double timeoutSeconds) const = 0;
};

// The live runner: output is drained while the command runs, a command past
// its time-out is killed and reaped within a further second.
class VGXProcessCommandRunner : public VGXCommandRunning {
 public:
  static constexpr double kDefaultTimeout = 10.0;
  static constexpr double kReapGrace = 1.0;
  static constexpr std::size_t kOutputLimit = 4 * 1024 * 1024;

  explicit VGXProcessCommandRunner(platform::ChildControl control = platform::ChildControl::live());

  std::expected<std::optional<VGXCommandOutput>, std::string> run(
      const std::string& executable, const std::vector<std::string>& arguments,
      double timeoutSeconds) const override;

  // The exit code of a waitpid status word, or 128 plus the ending signal.
  static std::int32_t exitCode(int waitStatus);

 private:
  platform::ChildControl control_;
  // Killed commands that would not be reaped in time, looked at again on
  // every run so that none is left behind.
  struct Leftovers {
    std::mutex lock;
    platform::UnreapedChildren children;
  };
  std::shared_ptr<Leftovers> leftovers_ = std::make_shared<Leftovers>();
};

}  // namespace vigilix
