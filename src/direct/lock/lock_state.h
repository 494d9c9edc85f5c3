#pragma once

namespace vigilix {

// The screen lock of the user's session as chat presence reads it.
enum class VGXLockState { locked, unlocked, unknown };

}  // namespace vigilix
