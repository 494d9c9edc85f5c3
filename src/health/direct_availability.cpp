#include "health/direct_availability.h"

#include <atomic>

namespace vigilix::VGXDirectAvailability {

namespace {
// Atomic only so that a health line computed off the main thread reads a whole value.
std::atomic<bool> directBuild{false};
}  // namespace

bool isDirectBuild() { return directBuild.load(std::memory_order_relaxed); }
void setDirectBuild(bool direct) { directBuild.store(direct, std::memory_order_relaxed); }

}  // namespace vigilix::VGXDirectAvailability
