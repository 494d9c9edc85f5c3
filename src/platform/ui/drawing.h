#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/ui/color.h"
#include "platform/ui/font.h"
#include "platform/ui/geometry.h"

namespace vigilix::platform {

struct Shadow {
  Color color = Color::black(1.0 / 3.0);
  double blurRadius = 0;
  Size offset;
  bool operator==(const Shadow&) const = default;
};

// What a view drew, in its own coordinates. Fills and strokes carry the
// shadow in force when they were drawn.
struct FillRoundedRect {
  Rect rect;
  double radiusX = 0;
  double radiusY = 0;
  Color color = Color::clear();
  std::optional<Shadow> shadow;
  bool operator==(const FillRoundedRect&) const = default;
};

struct StrokeRoundedRect {
  Rect rect;
  double radiusX = 0;
  double radiusY = 0;
  Color color = Color::clear();
  double lineWidth = 1;
  std::optional<Shadow> shadow;
  bool operator==(const StrokeRoundedRect&) const = default;
};

struct DrawText {
  std::string text;
  Point origin;
  Font font = Font::systemFont(Font::systemFontSize());
  Color color = Color::label();
  bool operator==(const DrawText&) const = default;
};

struct SaveGraphicsState {
  bool operator==(const SaveGraphicsState&) const = default;
};
struct RestoreGraphicsState {
  bool operator==(const RestoreGraphicsState&) const = default;
};
struct SetShadow {
  std::optional<Shadow> shadow;
  bool operator==(const SetShadow&) const = default;
};

using DrawCommand = std::variant<FillRoundedRect, StrokeRoundedRect, DrawText, SaveGraphicsState,
                                 RestoreGraphicsState, SetShadow>;

// The graphics context a view draws into: it records every command, and
// keeps a stack of graphics states (only the shadow is state here).
class DrawingContext {
 public:
  void fillRoundedRect(const Rect& rect, double radiusX, double radiusY, const Color& color);
  void strokeRoundedRect(const Rect& rect, double radiusX, double radiusY, const Color& color,
                         double lineWidth = 1);
  void drawText(const std::string& text, Point origin, const Font& font, const Color& color);
  void saveGraphicsState();
  // Unbalanced restores are ignored, as the platform ignores them.
  void restoreGraphicsState();
  void setShadow(std::optional<Shadow> shadow);

  const std::vector<DrawCommand>& commands() const { return commands_; }
  // Only the commands of one kind, in order.
  template <typename T>
  std::vector<T> commandsOf() const {
    std::vector<T> out;
    for (const auto& c : commands_) {
      if (const T* t = std::get_if<T>(&c)) out.push_back(*t);
    }
    return out;
  }

 private:
  std::vector<DrawCommand> commands_;
  std::optional<Shadow> shadow_;
  std::vector<std::optional<Shadow>> saved_;
};

}  // namespace vigilix::platform
