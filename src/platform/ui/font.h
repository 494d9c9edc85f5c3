#pragma once

#include <string>

#include "platform/ui/geometry.h"

namespace vigilix::platform {

// A system font by size and weight. Text metrics are a fixed model (every
// character advances 0.55 of the point size; a line is 1.25 of it), so that
// layout is deterministic in tests.
class Font {
 public:
  enum class Weight { Regular, Medium, Semibold, Bold };

  static constexpr double systemFontSize() { return 13; }
  static constexpr double smallSystemFontSize() { return 11; }
  static Font systemFont(double pointSize, Weight weight = Weight::Regular) {
    return Font(pointSize, weight);
  }
  // The font of headings in a list: the system size, semibold.
  static Font headlineFont() { return Font(systemFontSize(), Weight::Semibold); }
  // The system font with digits of one width, so that numbers line up.
  static Font monospacedDigitSystemFont(double pointSize, Weight weight = Weight::Regular) {
    Font font(pointSize, weight);
    font.monospacedDigits_ = true;
    return font;
  }

  double pointSize() const { return pointSize_; }
  Weight weight() const { return weight_; }
  bool hasMonospacedDigits() const { return monospacedDigits_; }
  double lineHeight() const { return pointSize_ * 1.25; }
  // The size of `text` set on one line.
  Size sizeOfText(const std::string& text) const;

  bool operator==(const Font&) const = default;

 private:
  Font(double pointSize, Weight weight) : pointSize_(pointSize), weight_(weight) {}
  double pointSize_;
  Weight weight_;
  bool monospacedDigits_ = false;
};

}  // namespace vigilix::platform
