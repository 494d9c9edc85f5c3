#include "testing/fake_systemctl.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vigilix::testing {

namespace {

namespace fs = std::filesystem;

// $1 is the command; units are the arguments that do not start with "-".
constexpr std::string_view kScript = R"SH(#!/bin/sh
state='@STATE@'
printf '%s\n' "$*" >> "$state/calls"
command=$1
maybe_kill() {
  file="$state/kill-$1-$command"
  [ -f "$file" ] || return 0
  left=$(cat "$file")
  if [ "$left" -le 1 ]; then
    rm -f "$file"
    kill -9 "$PPID"
    exit 137
  fi
  echo $((left - 1)) > "$file"
}
maybe_kill before
if [ -f "$state/hang-$command" ]; then exec sleep 600; fi
if [ -f "$state/print-$command" ]; then cat "$state/print-$command"; fi
if [ -f "$state/exit-$command" ]; then exit "$(cat "$state/exit-$command")"; fi
touch "$state/active"
shift
case "$command" in
  enable|disable)
    for unit in "$@"; do
      case "$unit" in -*) continue ;; esac
      was_active=0
      grep -qxF "$unit" "$state/active" && was_active=1
      grep -vxF "$unit" "$state/active" > "$state/active.new"
      [ "$command" = enable ] && echo "$unit" >> "$state/active.new"
      mv "$state/active.new" "$state/active"
      if [ "$command" = enable ] && [ $was_active = 0 ] && [ -f "$state/start-$unit" ]; then
        setsid sh "$state/start-$unit" < /dev/null >> "$state/log-$unit" 2>&1 &
        echo $! > "$state/pid-$unit"
        # As the manager, done once the unit is up: its socket listens; at most 20 s.
        ready=$(cat "$state/ready-$unit")
        left=400
        while [ $left -gt 0 ] && [ -n "$ready" ] && [ ! -S "$ready" ]; do
          sleep 0.05
          left=$((left - 1))
        done
      elif [ "$command" = disable ] && [ -f "$state/pid-$unit" ]; then
        pid=$(cat "$state/pid-$unit")
        rm -f "$state/pid-$unit"
        kill -TERM "$pid" 2> /dev/null
        # Gone, or a zombie nobody reaps; at most 20 s.
        left=400
        while [ $left -gt 0 ] && kill -0 "$pid" 2> /dev/null &&
              [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2> /dev/null)" != Z ]; do
          sleep 0.05
          left=$((left - 1))
        done
      fi
    done ;;
  show)
    [ -f "$state/print-show" ] && { maybe_kill after; exit 0; }
    first=1
    for unit in "$@"; do
      case "$unit" in -*) continue ;; esac
      [ $first = 1 ] || echo
      first=0
      if grep -qxF "$unit" "$state/active"; then
        printf 'ActiveState=active\nSubState=running\nMainPID=4242\n'
      else
        printf 'ActiveState=inactive\nSubState=dead\nMainPID=0\n'
      fi
    done ;;
esac
maybe_kill after
exit 0
)SH";

void writeText(const fs::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> lines(const fs::path& path) {
  std::vector<std::string> out;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace

FakeSystemctl::FakeSystemctl(fs::path root)
    : state_(root / "fake-systemctl"), root_(std::move(root)) {
  fs::create_directories(state_);
  fs::create_directories(toolPath().parent_path());
  std::string script(kScript);
  script.replace(script.find("@STATE@"), 7, state_.string());
  writeText(toolPath(), script);
  fs::permissions(toolPath(), fs::perms(0755));
  writeText(state_ / "active", "");
  writeText(state_ / "calls", "");
}

std::vector<std::string> FakeSystemctl::calls() const { return lines(state_ / "calls"); }

void FakeSystemctl::clearCalls() const { writeText(state_ / "calls", ""); }

std::vector<std::string> FakeSystemctl::activeUnits() const { return lines(state_ / "active"); }

void FakeSystemctl::setActive(std::string_view unit, bool active) const {
  std::string kept;
  for (const std::string& line : activeUnits()) {
    if (line != unit) kept += line + "\n";
  }
  if (active) kept += std::string(unit) + "\n";
  writeText(state_ / "active", kept);
}

void FakeSystemctl::startOnEnable(std::string_view unit, const std::vector<std::string>& command,
                                  const std::filesystem::path& ready) const {
  std::string script = "exec";
  for (const std::string& argument : command) {
    std::string quoted = "'";
    for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    script += " " + quoted + "'";
  }
  writeText(state_ / ("start-" + std::string(unit)), script + "\n");
  writeText(state_ / ("ready-" + std::string(unit)), ready.string());
}

std::optional<int> FakeSystemctl::pidOf(std::string_view unit) const {
  const auto read = lines(state_ / ("pid-" + std::string(unit)));
  if (read.empty()) return std::nullopt;
  return std::stoi(read.front());
}

std::filesystem::path FakeSystemctl::logOf(std::string_view unit) const {
  return state_ / ("log-" + std::string(unit));
}

void FakeSystemctl::exitWith(std::string_view command, int status) const {
  writeText(state_ / ("exit-" + std::string(command)), std::to_string(status));
}

void FakeSystemctl::print(std::string_view command, std::string_view text) const {
  writeText(state_ / ("print-" + std::string(command)), text);
}

void FakeSystemctl::hang(std::string_view command) const {
  writeText(state_ / ("hang-" + std::string(command)), "");
}

void FakeSystemctl::killCallerAt(std::string_view command, int nth, When when) const {
  const std::string name =
      std::string(when == When::before ? "kill-before-" : "kill-after-") + std::string(command);
  writeText(state_ / name, std::to_string(nth));
}

void FakeSystemctl::reset() const {
  for (const auto& entry : fs::directory_iterator(state_)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("exit-") || name.starts_with("print-") || name.starts_with("hang-") ||
        name.starts_with("kill-")) {
      fs::remove(entry.path());
    }
  }
}

}  // namespace vigilix::testing
