#include "platform/ui/drawing.h"

namespace vigilix::platform {

void DrawingContext::fillRoundedRect(const Rect& rect, double radiusX, double radiusY,
                                     const Color& color) {
  commands_.emplace_back(FillRoundedRect{rect, radiusX, radiusY, color, shadow_});
}

void DrawingContext::strokeRoundedRect(const Rect& rect, double radiusX, double radiusY,
                                       const Color& color, double lineWidth) {
  commands_.emplace_back(StrokeRoundedRect{rect, radiusX, radiusY, color, lineWidth, shadow_});
}

void DrawingContext::drawText(const std::string& text, Point origin, const Font& font,
                              const Color& color) {
  commands_.emplace_back(DrawText{text, origin, font, color});
}

void DrawingContext::saveGraphicsState() {
  saved_.push_back(shadow_);
  commands_.emplace_back(SaveGraphicsState{});
}

void DrawingContext::restoreGraphicsState() {
  if (saved_.empty()) return;
  shadow_ = saved_.back();
  saved_.pop_back();
  commands_.emplace_back(RestoreGraphicsState{});
}

void DrawingContext::setShadow(std::optional<Shadow> shadow) {
  shadow_ = shadow;
  commands_.emplace_back(SetShadow{shadow});
}

}  // namespace vigilix::platform
