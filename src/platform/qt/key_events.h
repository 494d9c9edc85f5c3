#pragma once

#include <QString>
#include <Qt>
#include <optional>

#include "platform/ui/event.h"

namespace vigilix::platform {

// The model's key event for a key the toolkit reported: the named keys by
// their codes, other keys by the text they type. None for a key that types
// nothing and has no name here (a lone modifier, a function key).
std::optional<Event> modelKeyEvent(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

}  // namespace vigilix::platform
