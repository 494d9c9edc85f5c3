#pragma once

#include "platform/ui/reduce_motion.h"

namespace vigilix::testing {

// The desktop's Reduce Motion as a test sets it (off at first), installed as
// the current one while it lives, so no test reads the machine's settings.
class FakeReduceMotion final : public platform::ReduceMotion {
 public:
  FakeReduceMotion() : previous_(&platform::ReduceMotion::current()) { setCurrent(this); }
  ~FakeReduceMotion() override { setCurrent(previous_); }
  FakeReduceMotion(const FakeReduceMotion&) = delete;
  FakeReduceMotion& operator=(const FakeReduceMotion&) = delete;

  bool isOn() const override { return on_; }
  void setOn(bool on) { on_ = on; }

 private:
  bool on_ = false;
  platform::ReduceMotion* previous_;
};

}  // namespace vigilix::testing
