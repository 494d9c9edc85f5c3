#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system/running_applications.h"

namespace vigilix {

// A running application as an action takes it: one per application
// identifier.
struct RunningAppEntity {
  std::string id;  // the application identifier
  std::int32_t processIdentifier = 0;
  std::string name;
  std::string appIdentifier;

  bool operator==(const RunningAppEntity&) const = default;
};

// Applications a person launched and that have an identifier, the first
// instance of each, sorted by name ignoring case.
std::vector<RunningAppEntity> runningAppEntities(
    const std::vector<platform::RunningApplication>& applications);

// The entities of `ids`, in list order; an id with no running application
// gives nothing.
std::vector<RunningAppEntity> runningAppEntities(
    const std::vector<platform::RunningApplication>& applications,
    const std::vector<std::string>& ids);

}  // namespace vigilix
