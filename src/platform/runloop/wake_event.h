#pragma once

namespace vigilix::platform {

// An eventfd that one thread polls and any thread signals: signals coalesce
// and none is lost between a check and the next poll. Aborts when the
// descriptor cannot be made (a loop that cannot be woken would hang).
class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  int fd() const { return fd_; }
  void signal() const;
  // Clears pending signals; call after poll reported the descriptor readable.
  void drain() const;

 private:
  int fd_;
};

}  // namespace vigilix::platform
