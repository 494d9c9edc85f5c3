#include "sleepguard/installer/systemctl.h"

#include <sys/wait.h>

#include <optional>
#include <utility>

#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"

namespace vigilix {

namespace {

std::vector<std::string> guardUnits() {
  return {std::string(VGXGuardNames::guardSocketUnit), std::string(VGXGuardNames::adminSocketUnit),
          std::string(VGXGuardNames::guardServiceUnit)};
}

std::string statusText(int waitStatus) {
  return std::to_string(WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : waitStatus);
}

std::string_view trimmedLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace

platform::ChildLimits VGXSystemctl::defaultLimits() {
  platform::ChildLimits limits;
  limits.deadlineNanoseconds = 10'000'000'000;
  limits.outputLimitBytes = 65536;
  return limits;
}

VGXSystemctl::VGXSystemctl(platform::ChildLimits limits, platform::ChildControl control)
    : runner_(limits, std::move(control)) {}

std::expected<platform::ChildExit, VGXInstallerError> VGXSystemctl::run(
    std::string_view command, std::vector<std::string> arguments) {
  unreaped_.reap();
  auto ran = runner_.run(platform::FileSystem::pathFor(kToolPath).string(), arguments);
  if (ran) return std::move(*ran);
  if (ran.error().kind == platform::ChildFailure::Kind::notReaped) unreaped_.add(ran.error().pid);
  return std::unexpected(
      VGXInstallerError::failed("systemctl " + std::string(command) + " " + ran.error().text()));
}

std::expected<void, VGXInstallerError> VGXSystemctl::runExpectingSuccess(
    std::string_view command, std::vector<std::string> arguments) {
  auto ran = run(command, std::move(arguments));
  if (!ran) return std::unexpected(ran.error());
  if (!ran->succeeded()) {
    return std::unexpected(VGXInstallerError::failed("systemctl " + std::string(command) + " " +
                                                     statusText(ran->waitStatus)));
  }
  return {};
}

std::expected<bool, VGXInstallerError> VGXSystemctl::isGuardLoaded() {
  std::vector<std::string> arguments{"show", "--property=ActiveState,SubState,MainPID"};
  const auto units = guardUnits();
  arguments.insert(arguments.end(), units.begin(), units.end());
  auto ran = run("show", std::move(arguments));
  if (!ran) return std::unexpected(ran.error());
  if (!ran->succeeded()) {
    return std::unexpected(
        VGXInstallerError::failed("systemctl show " + statusText(ran->waitStatus)));
  }
  const auto active = anyUnitActive(ran->output, units.size());
  if (!active) return std::unexpected(VGXInstallerError::failed("systemctl show output"));
  return *active;
}

std::expected<void, VGXInstallerError> VGXSystemctl::bootout() {
  std::vector<std::string> arguments{"disable", "--now"};
  const auto units = guardUnits();
  arguments.insert(arguments.end(), units.begin(), units.end());
  return runExpectingSuccess("disable", std::move(arguments));
}

std::expected<void, VGXInstallerError> VGXSystemctl::bootstrap() {
  if (auto reloaded = runExpectingSuccess("daemon-reload", {"daemon-reload"}); !reloaded) {
    return reloaded;
  }
  std::vector<std::string> arguments{"enable", "--now"};
  const auto units = guardUnits();
  arguments.insert(arguments.end(), units.begin(), units.end());
  return runExpectingSuccess("enable", std::move(arguments));
}

std::optional<bool> anyUnitActive(std::string_view output, std::size_t units) {
  std::size_t blocks = 0;
  bool inBlock = false;
  std::optional<std::string_view> state;
  bool any = false;
  auto endBlock = [&]() -> bool {
    if (!inBlock) return true;
    inBlock = false;
    ++blocks;
    if (!state || state->empty()) return false;
    if (*state != "inactive" && *state != "failed") any = true;
    state.reset();
    return true;
  };
  while (!output.empty()) {
    const std::size_t end = output.find('\n');
    const std::string_view line =
        trimmedLine(output.substr(0, end == std::string_view::npos ? output.size() : end));
    output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
    if (line.empty()) {
      if (!endBlock()) return std::nullopt;
      continue;
    }
    inBlock = true;
    constexpr std::string_view kKey = "ActiveState=";
    if (line.starts_with(kKey)) {
      if (state) return std::nullopt;
      state = line.substr(kKey.size());
    }
  }
  if (!endBlock() || blocks != units) return std::nullopt;
  return any;
}

}  // namespace vigilix
