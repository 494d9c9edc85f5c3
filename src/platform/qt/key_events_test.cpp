#include "platform/qt/key_events.h"

#include <gtest/gtest.h>

namespace vigilix::platform {
namespace {

TEST(KeyEventsTest, ToolkitKeysBecomeTheModelsKeys) {
  struct Row {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    std::optional<std::uint16_t> code;
    std::string characters;
    std::uint64_t flags;
  };
  const Row rows[] = {
      {"Return", Qt::Key_Return, {}, "\r", KeyCode::Return, "\r", 0},
      {"keypad Enter is Return", Qt::Key_Enter, Qt::KeypadModifier, "\r", KeyCode::Return, "\r",
       ModifierFlags::NumericPad},
      {"Backspace deletes backward", Qt::Key_Backspace, {}, "\b", KeyCode::Delete, "\x7f", 0},
      {"Shift-Tab", Qt::Key_Backtab, Qt::ShiftModifier, "", KeyCode::Tab, "\t",
       ModifierFlags::Shift},
      {"an arrow types nothing", Qt::Key_Up, {}, "", KeyCode::UpArrow, "", 0},
      {"a digit is its text", Qt::Key_7, {}, "7", 0xFFFF, "7", 0},
      {"text beyond ASCII", Qt::Key_unknown, {}, QString::fromUtf8("é"), 0xFFFF, "é", 0},
      {"Control with a letter names the letter", Qt::Key_W, Qt::ControlModifier, "\x17", 0xFFFF,
       "w", ModifierFlags::Control},
      {"a lone modifier is no key", Qt::Key_Shift, Qt::ShiftModifier, "", std::nullopt, "", 0},
      {"a control character alone is no key", Qt::Key_unknown, {}, "\x01", std::nullopt, "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto event = modelKeyEvent(row.key, row.modifiers, row.text);
    ASSERT_EQ(event.has_value(), row.code.has_value());
    if (!event) continue;
    EXPECT_EQ(event->keyCode, *row.code);
    EXPECT_EQ(event->characters, row.characters);
    EXPECT_EQ(event->modifierFlags, row.flags);
  }
}

}  // namespace
}  // namespace vigilix::platform
