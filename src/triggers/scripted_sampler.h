#pragma once

#include "platform/runloop/clock.h"
#include "triggers/system_sample.h"

namespace vigilix {

// For tests: a machine that changes only when a test says so. Hands out the
// sample a test sets, dated now; counts its readings and keeps the inputs it
// was last asked for.
class ScriptedSampler : public SystemSampling {
 public:
  SystemSample sample(const SampleInputs& inputs) override {
    ++readings;
    asked = inputs;
    SystemSample sample = next;
    sample.date = platform::Clock::current().now();
    return sample;
  }
  using SystemSampling::sample;

  SystemSample next;
  int readings = 0;
  SampleInputs asked;
};

}  // namespace vigilix
