#include "platform/qt/key_events.h"

#include <cstdint>
#include <string>

namespace vigilix::platform {

namespace {

// Keys without a name of their own are known by their text alone.
constexpr std::uint16_t kUnnamedKey = 0xFFFF;

struct NamedKey {
  int qtKey;
  std::uint16_t code;
  const char* characters;
};

constexpr NamedKey kNamedKeys[] = {
    {Qt::Key_Return, KeyCode::Return, "\r"},   {Qt::Key_Enter, KeyCode::Return, "\r"},
    {Qt::Key_Tab, KeyCode::Tab, "\t"},         {Qt::Key_Backtab, KeyCode::Tab, "\t"},
    {Qt::Key_Space, KeyCode::Space, " "},      {Qt::Key_Backspace, KeyCode::Delete, "\x7f"},
    {Qt::Key_Escape, KeyCode::Escape, "\x1b"}, {Qt::Key_Left, KeyCode::LeftArrow, ""},
    {Qt::Key_Right, KeyCode::RightArrow, ""},  {Qt::Key_Down, KeyCode::DownArrow, ""},
    {Qt::Key_Up, KeyCode::UpArrow, ""},
};

}  // namespace

std::optional<Event> modelKeyEvent(int qtKey, Qt::KeyboardModifiers modifiers,
                                   const QString& text) {
  std::uint64_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= ModifierFlags::Shift;
  if (modifiers & Qt::ControlModifier) flags |= ModifierFlags::Control;
  if (modifiers & Qt::AltModifier) flags |= ModifierFlags::Option;
  if (modifiers & Qt::MetaModifier) flags |= ModifierFlags::Command;
  if (modifiers & Qt::KeypadModifier) flags |= ModifierFlags::NumericPad;
  // Qt reports Shift-Tab as its own key; the model knows it as Tab with Shift.
  if (qtKey == Qt::Key_Backtab) flags |= ModifierFlags::Shift;
  for (const NamedKey& key : kNamedKeys) {
    if (key.qtKey == qtKey) return Event::key(key.code, key.characters, flags);
  }
  // With Control the toolkit reports a control character; the model wants
  // the letter, as a shortcut names it.
  if ((modifiers & Qt::ControlModifier) && qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
    return Event::key(kUnnamedKey, std::string(1, static_cast<char>('a' + (qtKey - Qt::Key_A))),
                      flags);
  }
  // Control characters typed with a modifier are not text.
  if (text.isEmpty() || text.at(0).isNull() || text.at(0).category() == QChar::Other_Control) {
    return std::nullopt;
  }
  return Event::key(kUnnamedKey, text.toStdString(), flags);
}

}  // namespace vigilix::platform
