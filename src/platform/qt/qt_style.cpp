#include "platform/qt/qt_style.h"

#include <algorithm>

namespace vigilix::platform {

QColor qtColor(const Color& color) {
  QColor base;
  switch (color.name()) {
    case Color::Name::Label:
    case Color::Name::SecondaryLabel:
    case Color::Name::TertiaryLabel:
    case Color::Name::ControlText:
    case Color::Name::Separator:
    case Color::Name::Black:
      base = QColor(0, 0, 0);
      break;
    case Color::Name::ControlBackground:
    case Color::Name::White:
      base = QColor(255, 255, 255);
      break;
    case Color::Name::SystemGreen:
      base = QColor(52, 199, 89);
      break;
    case Color::Name::SystemOrange:
      base = QColor(255, 149, 0);
      break;
    case Color::Name::SystemRed:
      base = QColor(255, 59, 48);
      break;
    case Color::Name::Clear:
      base = QColor(0, 0, 0);
      break;
  }
  base.setAlphaF(static_cast<float>(std::clamp(color.alphaComponent(), 0.0, 1.0)));
  return base;
}

QFont qtFont(const Font& font) {
  QFont out;
  out.setPixelSize(std::max(1, static_cast<int>(font.pointSize() + 0.5)));
  switch (font.weight()) {
    case Font::Weight::Regular:
      out.setWeight(QFont::Normal);
      break;
    case Font::Weight::Medium:
      out.setWeight(QFont::Medium);
      break;
    case Font::Weight::Semibold:
      out.setWeight(QFont::DemiBold);
      break;
    case Font::Weight::Bold:
      out.setWeight(QFont::Bold);
      break;
  }
  return out;
}

int qtPosition(const std::string& text, std::size_t byteOffset) {
  return static_cast<int>(qtString(text.substr(0, std::min(byteOffset, text.size()))).size());
}

}  // namespace vigilix::platform
