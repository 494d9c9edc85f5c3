#pragma once

namespace vigilix::platform {

// A colour by its system name, with an alpha component. The model keeps
// colours symbolic (the platform renders them); the alpha is tracked exactly
// because drawing rules scale it.
class Color {
 public:
  enum class Name {
    Label,
    SecondaryLabel,
    TertiaryLabel,
    ControlText,
    ControlBackground,
    Separator,
    SystemGreen,
    SystemOrange,
    SystemRed,
    White,
    Black,
    Clear,
  };

  static Color label() { return Color(Name::Label, 0.85); }
  static Color secondaryLabel() { return Color(Name::SecondaryLabel, 0.5); }
  static Color tertiaryLabel() { return Color(Name::TertiaryLabel, 0.26); }
  static Color controlText() { return Color(Name::ControlText, 0.85); }
  static Color controlBackground() { return Color(Name::ControlBackground, 1.0); }
  static Color separator() { return Color(Name::Separator, 0.1); }
  static Color systemGreen() { return Color(Name::SystemGreen, 1.0); }
  static Color systemOrange() { return Color(Name::SystemOrange, 1.0); }
  static Color systemRed() { return Color(Name::SystemRed, 1.0); }
  static Color white(double alpha = 1.0) { return Color(Name::White, alpha); }
  static Color black(double alpha = 1.0) { return Color(Name::Black, alpha); }
  static Color clear() { return Color(Name::Clear, 0.0); }

  Name name() const { return name_; }
  double alphaComponent() const { return alpha_; }
  // The same colour with its alpha replaced.
  Color withAlphaComponent(double alpha) const { return Color(name_, alpha); }

  bool operator==(const Color&) const = default;

 private:
  Color(Name name, double alpha) : name_(name), alpha_(alpha) {}
  Name name_;
  double alpha_;
};

}  // namespace vigilix::platform
