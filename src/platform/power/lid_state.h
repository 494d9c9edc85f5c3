#pragma once

#include <optional>

namespace vigilix::platform {

// Whether the machine's lid is closed. None when the machine has no lid or
// its state cannot be read; callers count that as open.
class LidState {
 public:
  virtual ~LidState() = default;
  virtual std::optional<bool> isLidClosed() const = 0;

  // The installed one, else logind's (LogindLidState).
  static LidState& current();
  // Returns the one it replaced (nullptr: the live one).
  static LidState* setCurrent(LidState* state);
};

// logind's "LidClosed" property on the system bus. Blocks for at most one
// bus call of 1 s; any thread.
class LogindLidState final : public LidState {
 public:
  std::optional<bool> isLidClosed() const override;
};

}  // namespace vigilix::platform
