#include "testing/ui_driver.h"

#include <map>

#include "platform/ui/text_field.h"

namespace vigilix::testing {

namespace ui {

namespace {

using platform::Event;
using platform::Point;
using platform::View;

void sendMouse(View& view, Event::Type type, Point local) {
  Point inWindow = view.convertPointToView(local, nullptr);
  Event event = Event::mouse(type, inWindow);
  if (platform::Window* window = view.window()) {
    window->sendEvent(event);
    return;
  }
  switch (type) {
    case Event::Type::LeftMouseDown:
      view.mouseDown(event);
      break;
    case Event::Type::LeftMouseDragged:
      view.mouseDragged(event);
      break;
    case Event::Type::LeftMouseUp:
      view.mouseUp(event);
      break;
    case Event::Type::KeyDown:
      break;
  }
}

// Characters of the named keys, as the system reports them.
std::string charactersFor(std::uint16_t keyCode) {
  using namespace platform::KeyCode;
  switch (keyCode) {
    case Return:
      return "\r";
    case Tab:
      return "\t";
    case Space:
      return " ";
    case Delete:
      return "\x7f";
    case Escape:
      return "\x1b";
    case LeftArrow:
      return "\xEF\x9C\x82";  // U+F702
    case RightArrow:
      return "\xEF\x9C\x83";  // U+F703
    case DownArrow:
      return "\xEF\x9C\x81";  // U+F701
    case UpArrow:
      return "\xEF\x9C\x80";  // U+F700
    default:
      break;
  }
  static const std::map<std::uint16_t, std::string> keys = {
      {0, "a"},  {1, "s"},  {2, "d"},  {3, "f"},  {4, "h"},  {5, "g"},  {6, "z"},  {7, "x"},
      {8, "c"},  {9, "v"},  {11, "b"}, {12, "q"}, {13, "w"}, {14, "e"}, {15, "r"}, {16, "y"},
      {17, "t"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"}, {25, "9"},
      {26, "7"}, {28, "8"}, {29, "0"}, {31, "o"}, {32, "u"}, {34, "i"}, {35, "p"}, {37, "l"},
      {38, "j"}, {40, "k"}, {45, "n"}, {46, "m"}, {27, "-"}, {47, "."},
  };
  auto it = keys.find(keyCode);
  return it == keys.end() ? "" : it->second;
}

std::uint16_t keyCodeFor(char c) {
  for (std::uint16_t code = 0; code < 128; ++code) {
    if (code == platform::KeyCode::Space || code == platform::KeyCode::Tab) continue;
    if (charactersFor(code) == std::string(1, c)) return code;
  }
  if (c == ' ') return platform::KeyCode::Space;
  return 0xFFFF;  // a key the US table does not name: characters only
}

}  // namespace

void mouseDown(View& view, Point local) { sendMouse(view, Event::Type::LeftMouseDown, local); }
void mouseDragged(View& view, Point local) {
  sendMouse(view, Event::Type::LeftMouseDragged, local);
}
void mouseUp(View& view, Point local) { sendMouse(view, Event::Type::LeftMouseUp, local); }

void click(View& view) {
  Point centre{view.bounds().midX(), view.bounds().midY()};
  mouseDown(view, centre);
  mouseUp(view, centre);
}

void pressKey(platform::Window& window, std::uint16_t keyCode, std::uint64_t modifiers) {
  std::string characters = charactersFor(keyCode);
  if ((modifiers & platform::ModifierFlags::Shift) && characters.size() == 1 &&
      characters[0] >= 'a' && characters[0] <= 'z') {
    characters[0] = static_cast<char>(characters[0] - 'a' + 'A');
  }
  window.sendEvent(Event::key(keyCode, characters, modifiers));
}

void typeText(platform::Window& window, const std::string& text) {
  for (char c : text) window.sendEvent(Event::key(keyCodeFor(c), std::string(1, c)));
}

void replaceText(platform::Window& window, const std::string& text) {
  if (auto* field = dynamic_cast<platform::TextField*>(window.firstResponder())) {
    if (auto* editor = field->currentEditor()) editor->selectAll();
  }
  if (text.empty()) {
    pressKey(window, platform::KeyCode::Delete);
    return;
  }
  typeText(window, text);
}

void stepUp(platform::Stepper& stepper) {
  Point upper{stepper.bounds().midX(), stepper.isFlipped() ? stepper.bounds().height() * 0.25
                                                           : stepper.bounds().height() * 0.75};
  mouseDown(stepper, upper);
  mouseUp(stepper, upper);
}

void stepDown(platform::Stepper& stepper) {
  Point lower{stepper.bounds().midX(), stepper.isFlipped() ? stepper.bounds().height() * 0.75
                                                           : stepper.bounds().height() * 0.25};
  mouseDown(stepper, lower);
  mouseUp(stepper, lower);
}

std::shared_ptr<View> findView(View& root, const std::function<bool(const View&)>& matches) {
  if (matches(root)) return root.shared_from_this();
  for (const auto& child : root.subviews()) {
    if (auto found = findView(*child, matches)) return found;
  }
  return nullptr;
}

std::shared_ptr<View> findByAccessibilityLabel(View& root, const std::string& label) {
  return findView(root, [&](const View& v) { return v.accessibilityLabel() == label; });
}

}  // namespace ui

AccessibilityCapture::AccessibilityCapture()
    : token_(platform::AccessibilityCenter::observe(
          [this](const platform::AccessibilityPost& post) { posts_.push_back(post); })) {}

std::vector<platform::AccessibilityPost> AccessibilityCapture::announcements() const {
  std::vector<platform::AccessibilityPost> out;
  for (const auto& post : posts_) {
    if (post.notification == platform::AccessibilityNotification::AnnouncementRequested) {
      out.push_back(post);
    }
  }
  return out;
}

int AccessibilityCapture::valueChangedCount(const platform::View& element) const {
  int count = 0;
  for (const auto& post : posts_) {
    if (post.element == &element &&
        post.notification == platform::AccessibilityNotification::ValueChanged) {
      ++count;
    }
  }
  return count;
}

}  // namespace vigilix::testing
