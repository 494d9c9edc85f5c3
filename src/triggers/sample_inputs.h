#pragma once

#include "triggers/trigger_configuration.h"

namespace vigilix {

// Which parts of the machine one evaluation needs read. An input left out
// keeps its neutral value in the sample, which no enabled rule looks at.
struct SampleInputs {
  bool applications = false;  // running and frontmost applications: the process table
  bool power = false;
  bool displays = false;
  bool network = false;
  bool cpu = false;
  bool wifi = false;
  bool calls = false;  // microphone and camera
  bool audio = false;
  bool disks = false;

  // Every input: for a reader that has no rules to go by.
  static SampleInputs all();
  // Only what the rules of `configuration` read; nothing while it is off.
  static SampleInputs forConfiguration(const TriggerConfiguration& configuration);

  bool operator==(const SampleInputs&) const = default;
};

}  // namespace vigilix
