#include "platform/ui/keyboard_layout.h"

#include <algorithm>

#include "platform/base/current_instance.h"
#include "platform/base/icu_library.h"
#include "platform/base/shared_instances.h"
#include "platform/base/text.h"

namespace vigilix::platform {

namespace {

// An installed nullptr means no layout at all. Tests start from the built-in one.
using LayoutSlot = CurrentValue<std::shared_ptr<const KeyboardLayout>>;
constinit SharedInstance<LayoutSlot> currentLayout{
    [] { return std::make_shared<LayoutSlot>(&KeyboardLayout::us); }};

std::map<std::uint16_t, std::u16string> usKeys() {
  return {
      {0, u"a"},  {1, u"s"},  {2, u"d"},  {3, u"f"},  {4, u"h"},  {5, u"g"},  {6, u"z"},
      {7, u"x"},  {8, u"c"},  {9, u"v"},  {10, u"§"}, {11, u"b"}, {12, u"q"}, {13, u"w"},
      {14, u"e"}, {15, u"r"}, {16, u"y"}, {17, u"t"}, {18, u"1"}, {19, u"2"}, {20, u"3"},
      {21, u"4"}, {22, u"6"}, {23, u"5"}, {24, u"="}, {25, u"9"}, {26, u"7"}, {27, u"-"},
      {28, u"8"}, {29, u"0"}, {30, u"]"}, {31, u"o"}, {32, u"u"}, {33, u"["}, {34, u"i"},
      {35, u"p"}, {37, u"l"}, {38, u"j"}, {39, u"'"}, {40, u"k"}, {41, u";"}, {42, u"\\"},
      {43, u","}, {44, u"/"}, {45, u"n"}, {46, u"m"}, {47, u"."}, {50, u"`"}, {65, u"."},
      {67, u"*"}, {69, u"+"}, {75, u"/"}, {78, u"-"}, {81, u"="}, {82, u"0"}, {83, u"1"},
      {84, u"2"}, {85, u"3"}, {86, u"4"}, {87, u"5"}, {88, u"6"}, {89, u"7"}, {91, u"8"},
      {92, u"9"},
  };
}

}  // namespace

std::shared_ptr<const KeyboardLayout> KeyboardLayout::current() {
  return currentLayout.get().get();
}

void KeyboardLayout::setCurrent(std::shared_ptr<const KeyboardLayout> layout) {
  currentLayout.get().install(std::move(layout));
}

void KeyboardLayout::restoreDefault() { currentLayout.get().install(std::nullopt); }

std::shared_ptr<const KeyboardLayout> KeyboardLayout::us() {
  static const auto layout = std::make_shared<const TableKeyboardLayout>(usKeys());
  return layout;
}

std::optional<std::u16string> TableKeyboardLayout::translateForDisplay(
    std::uint16_t keyCode, std::size_t maxLength) const {
  auto it = keys_.find(keyCode);
  if (it == keys_.end() || it->second.empty() || it->second.size() > maxLength) {
    return std::nullopt;
  }
  return it->second;
}

std::string keyNameForKeyCode(std::uint16_t keyCode) {
  std::optional<std::u16string> text;
  if (auto layout = KeyboardLayout::current()) text = layout->translateForDisplay(keyCode, 4);
  if (!text || text->empty()) return "Key " + std::to_string(keyCode);
  if (std::all_of(text->begin(), text->end(), [](char16_t c) { return c < 0x80; })) {
    std::string out(text->begin(), text->end());
    for (char& c : out) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return out;
  }
  const auto& icu = icu_library::functions();
  // The root locale's rules: a key's name does not change with the user's language.
  auto upper = icu_library::converted<char16_t>(
      text->size(), [&](char16_t* out, int32_t capacity, UErrorCode& status) {
        return icu.toUpper(reinterpret_cast<UChar*>(out), capacity,
                           reinterpret_cast<const UChar*>(text->data()),
                           static_cast<int32_t>(text->size()), "", &status);
      });
  return utf16ToUtf8(upper.value_or(*text));
}

}  // namespace vigilix::platform
