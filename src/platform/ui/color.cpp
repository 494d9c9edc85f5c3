#include "platform/ui/color.h"

#include <fmt/format.h>

namespace vigilix::platform {

std::string Color::description() const {
  const char* text = "clear";
  switch (name_) {
    case Name::Label:
      text = "labelColor";
      break;
    case Name::SecondaryLabel:
      text = "secondaryLabelColor";
      break;
    case Name::TertiaryLabel:
      text = "tertiaryLabelColor";
      break;
    case Name::ControlText:
      text = "controlTextColor";
      break;
    case Name::ControlBackground:
      text = "controlBackgroundColor";
      break;
    case Name::Separator:
      text = "separatorColor";
      break;
    case Name::SystemGreen:
      text = "systemGreenColor";
      break;
    case Name::SystemOrange:
      text = "systemOrangeColor";
      break;
    case Name::SystemRed:
      text = "systemRedColor";
      break;
    case Name::White:
      text = "white";
      break;
    case Name::Black:
      text = "black";
      break;
    case Name::Clear:
      text = "clear";
      break;
  }
  return fmt::format("{} alpha {}", text, alpha_);
}

}  // namespace vigilix::platform
