#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/font.h"
#include "platform/ui/view.h"

namespace vigilix::platform {

// A control's state value, with the platform's raw values.
enum class ControlStateValue { Mixed = -1, Off = 0, On = 1 };

// A view that holds a value and sends an action when the user changes it.
// The action is a callable standing for target and selector; owners bind it
// to a weak reference of themselves so a control never calls a dead target.
class Control : public View {
 public:
  using Action = std::function<void(Control& sender)>;

  explicit Control(Rect frame = {});

  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled);

  void setAction(Action action) { action_ = std::move(action); }
  // Sends the action (the platform's send-action); false when there is none.
  bool sendAction();

  // The value as text, as a whole number and as a real number. Text that is
  // not a number reads as 0; the number is read from the leading digits,
  // like the platform's string conversions, and saturates.
  virtual std::string stringValue() const { return stringValue_; }
  virtual void setStringValue(const std::string& value);
  virtual std::int64_t integerValue() const;
  virtual void setIntegerValue(std::int64_t value);
  virtual double doubleValue() const;

  const Font& font() const { return font_; }
  void setFont(const Font& font) { font_ = font; }

  bool refusesFirstResponder() const { return refusesFirstResponder_; }
  void setRefusesFirstResponder(bool refuses) { refusesFirstResponder_ = refuses; }

  // Leading-number conversions shared by the value readers.
  static std::int64_t leadingInteger(const std::string& text);
  static double leadingDouble(const std::string& text);

 protected:
  std::string stringValue_;
  bool refusesFirstResponder_ = false;

 private:
  bool enabled_ = true;
  Action action_;
  Font font_ = Font::systemFont(Font::systemFontSize());
};

}  // namespace vigilix::platform
