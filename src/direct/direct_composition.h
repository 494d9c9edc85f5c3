#pragma once

namespace vigilix {

// Installs the direct build's features and fills the seams through which the rest of the
// program reaches them. Called once at launch, on the main thread, after the settings
// migration and before the application controller exists. Each feature it installs ignores a
// second install, so calling it again changes nothing.
namespace VGXDirectComposition {

void install();

}  // namespace VGXDirectComposition

}  // namespace vigilix
