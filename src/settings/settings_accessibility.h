#pragma once

#include <optional>
#include <string>

namespace vigilix {

namespace platform {
class View;
}

// Speaks a pane's result (a refused shortcut, say) once, not on every redraw.
namespace VGXAccessibility {

// Nothing when `message` equals `last`; otherwise `message` becomes `last`
// and is announced for `element`. Returns whether it was announced.
bool announceIfChanged(const platform::View& element, const std::string& message,
                       std::optional<std::string>& last);

}  // namespace VGXAccessibility

}  // namespace vigilix
