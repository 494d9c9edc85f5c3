#pragma once

namespace vigilix {

// Whether the direct build's features were installed at launch. False until the composition
// sets it; the health check and the closed-lid availability read it. Main thread.
namespace VGXDirectAvailability {

bool isDirectBuild();
void setDirectBuild(bool direct);

}  // namespace VGXDirectAvailability

}  // namespace vigilix
