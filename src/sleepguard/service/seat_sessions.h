#pragma once

#include <cstdint>
#include <memory>

namespace vigilix {

// Who is at the machine, as logind knows it. The guard keeps a closed lid
// awake only for such a person: a process of another account, or of one
// logged in from elsewhere, is refused even at the application's path.
class VGXSeatSessions {
 public:
  virtual ~VGXSeatSessions() = default;
  // True when `uid` owns a session on a seat that is active (in the
  // foreground of its seat) and not remote; false too when logind cannot
  // tell.
  virtual bool isAtASeat(std::uint32_t uid) = 0;

  // logind on the system bus; a user found at a seat is taken as such for a
  // second, so that a burst of that user's connections costs one lookup.
  static std::unique_ptr<VGXSeatSessions> live();
};

}  // namespace vigilix
