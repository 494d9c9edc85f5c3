#pragma once

#include <cstdint>
#include <string>

#include "platform/tray/status_notifier_item.h"

namespace vigilix::platform {

// The tray icon's three states: an open eye while the computer is kept
// awake, the eye struck through while idle, the open eye with a badge when
// the protection needs attention.
enum class StatusGlyph { awake, idle, attention };

// One drawing gives both forms: the SVG files installed in the hicolor
// theme (hosts ask by name) and the pixmaps for hosts that take only pixels,
// so the program draws its icon without an SVG library or a toolkit.

// The glyph's own colour (0xAARRGGBB): green awake, grey idle, amber attention.
std::uint32_t statusGlyphColor(StatusGlyph glyph);
// The glyph as an SVG document. Symbolic: one neutral grey that the desktop
// recolours to the panel's foreground; otherwise the glyph's colour.
std::string statusIconSvg(StatusGlyph glyph, bool symbolic);
// The theme name of the glyph's icon ("vigilix-awake", "-symbolic" appended).
std::string statusIconName(StatusGlyph glyph, bool symbolic);
// The glyph in `color` at `size` pixels square, edges anti-aliased.
StatusIconPixmap statusIconPixmap(StatusGlyph glyph, std::int32_t size, std::uint32_t color);

}  // namespace vigilix::platform
