#include "platform/ui/text_field.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/window.h"
#include "platform/ui/window_rendering.h"

namespace vigilix::platform {

namespace {

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

FieldEditor::FieldEditor(TextField& field) : field_(field), text_(field.stringValue()) {
  selectAll();
}

void FieldEditor::setString(const std::string& text) {
  text_ = text;
  selection_ = Range{text_.size(), 0};
  field_.editorDidChangeText(false);
}

void FieldEditor::setSelectedRange(Range range) {
  std::size_t location = std::min(range.location, text_.size());
  std::size_t length = std::min(range.length, text_.size() - location);
  selection_ = Range{location, length};
}

void FieldEditor::insertText(const std::string& text) {
  text_.replace(selection_.location, selection_.length, text);
  selection_ = Range{selection_.location + text.size(), 0};
  field_.editorDidChangeText(true);
}

void FieldEditor::deleteBackward() {
  if (selection_.length == 0) {
    if (selection_.location == 0) return;
    std::size_t start = selection_.location - 1;
    while (start > 0 && isContinuationByte(text_[start])) --start;
    selection_ = Range{start, selection_.location - start};
  }
  text_.erase(selection_.location, selection_.length);
  selection_.length = 0;
  field_.editorDidChangeText(true);
}

void FieldEditor::moveLeft() {
  if (selection_.length > 0) {
    selection_.length = 0;
    return;
  }
  std::size_t at = selection_.location;
  if (at == 0) return;
  --at;
  while (at > 0 && isContinuationByte(text_[at])) --at;
  selection_ = Range{at, 0};
}

void FieldEditor::moveRight() {
  if (selection_.length > 0) {
    selection_ = Range{selection_.location + selection_.length, 0};
    return;
  }
  std::size_t at = selection_.location;
  if (at >= text_.size()) return;
  ++at;
  while (at < text_.size() && isContinuationByte(text_[at])) ++at;
  selection_ = Range{at, 0};
}

TextField::TextField(Rect frame) : Control(frame) {}

TextField::~TextField() = default;

std::shared_ptr<TextField> TextField::labelWithString(const std::string& text) {
  auto field = std::make_shared<TextField>();
  field->editable_ = false;
  field->setTextColor(Color::label());
  field->setStringValue(text);
  return field;
}

std::shared_ptr<TextField> TextField::textFieldWithString(const std::string& text) {
  auto field = std::make_shared<TextField>();
  field->setStringValue(text);
  return field;
}

void TextField::setStringValue(const std::string& value) {
  if (editor_) {
    editor_->setString(value);
    return;
  }
  Control::setStringValue(value);
}

void TextField::setIntegerValue(std::int64_t value) {
  setStringValue(formatter_ ? formatter_->stringFromNumber(static_cast<double>(value))
                            : std::to_string(value));
}

void TextField::setTextColor(const Color& color) {
  if (textColor_ == color) return;
  textColor_ = color;
  setNeedsDisplay();
}

bool TextField::acceptsFirstResponder() const {
  return editable_ && isEnabled() && !refusesFirstResponder();
}

bool TextField::becomeFirstResponder() {
  if (!acceptsFirstResponder()) return false;
  editor_ = std::make_unique<FieldEditor>(*this);
  return true;
}

bool TextField::resignFirstResponder() {
  editor_.reset();
  return true;
}

void TextField::editorDidChangeText(bool byUser) {
  stringValue_ = editor_ ? editor_->string() : stringValue_;
  setNeedsDisplay();
  if (!byUser) return;
  if (auto delegate = delegate_.lock()) delegate->controlTextDidChange(*this);
}

void TextField::keyDown(const Event& event) {
  if (!editor_) {
    Control::keyDown(event);
    return;
  }
  std::optional<TextCommand> command;
  switch (event.keyCode) {
    case KeyCode::UpArrow:
      command = TextCommand::MoveUp;
      break;
    case KeyCode::DownArrow:
      command = TextCommand::MoveDown;
      break;
    case KeyCode::LeftArrow:
      command = TextCommand::MoveLeft;
      break;
    case KeyCode::RightArrow:
      command = TextCommand::MoveRight;
      break;
    case KeyCode::Delete:
      command = TextCommand::DeleteBackward;
      break;
    case KeyCode::Return:
      command = TextCommand::InsertNewline;
      break;
    case KeyCode::Escape:
      command = TextCommand::CancelOperation;
      break;
    case KeyCode::Tab:
      command = (event.modifierFlags & ModifierFlags::Shift) ? TextCommand::InsertBacktab
                                                             : TextCommand::InsertTab;
      break;
    default:
      break;
  }
  if (command) {
    auto self = weak_from_this().lock();
    if (auto delegate = delegate_.lock()) {
      if (delegate->controlTextViewDoCommandBySelector(*this, *editor_, *command)) return;
    }
    if (editor_) perform(*command);
    return;
  }
  if (event.modifierFlags & (ModifierFlags::Command | ModifierFlags::Control)) {
    Control::keyDown(event);
    return;
  }
  if (!event.characters.empty()) editor_->insertText(event.characters);
}

void TextField::perform(TextCommand command) {
  switch (command) {
    case TextCommand::MoveUp:
      editor_->moveToBeginning();
      break;
    case TextCommand::MoveDown:
      editor_->moveToEnd();
      break;
    case TextCommand::MoveLeft:
      editor_->moveLeft();
      break;
    case TextCommand::MoveRight:
      editor_->moveRight();
      break;
    case TextCommand::DeleteBackward:
      editor_->deleteBackward();
      break;
    case TextCommand::InsertTab:
      if (Window* w = window()) w->selectNextKeyView();
      break;
    case TextCommand::InsertBacktab:
      if (Window* w = window()) w->selectPreviousKeyView();
      break;
    case TextCommand::InsertNewline:
      sendAction();
      break;
    case TextCommand::CancelOperation:
      break;
  }
}

Size TextField::intrinsicContentSize() const {
  double line = std::ceil(font().lineHeight());
  if (editable_) {
    auto measured = WindowRendering::measuredSize(
        {.kind = RenderedView::Kind::TextField, .text = stringValue(), .font = font()});
    return Size{kNoIntrinsicMetric, measured ? measured->height : line + 5};
  }
  return labelSize(maximumNumberOfLines_ == 1 ? 0 : preferredMaxLayoutWidth_);
}

double TextField::heightForWidth(double width) const {
  if (editable_ || maximumNumberOfLines_ == 1) return intrinsicContentSize().height;
  double wrap = preferredMaxLayoutWidth_ > 0 ? std::min(width, preferredMaxLayoutWidth_) : width;
  return labelSize(std::max(1.0, wrap)).height;
}

Size TextField::labelSize(double wrapWidth) const {
  const std::string text = stringValue();
  if (auto measured = WindowRendering::measuredSize({.kind = RenderedView::Kind::Label,
                                                     .text = text,
                                                     .font = font(),
                                                     .wraps = wrapWidth > 0,
                                                     .wrapWidth = wrapWidth})) {
    return *measured;
  }
  double line = std::ceil(font().lineHeight());
  if (maximumNumberOfLines_ == 1) return Size{font().sizeOfText(text).width + 4, line};
  // Each hard line break starts a line of its own, which may wrap again.
  double widest = 0;
  int lines = 0;
  std::size_t from = 0;
  while (true) {
    const std::size_t end = text.find('\n', from);
    double width = font().sizeOfText(text.substr(from, end - from)).width + 4;
    int count = 1;
    if (wrapWidth > 0 && width > wrapWidth) {
      count = static_cast<int>(std::ceil(width / wrapWidth));
      width = wrapWidth;
    }
    lines += count;
    widest = std::max(widest, width);
    if (end == std::string::npos) break;
    from = end + 1;
  }
  if (maximumNumberOfLines_ > 0) lines = std::min(lines, maximumNumberOfLines_);
  return Size{widest, line * lines};
}

AccessibilityRole TextField::accessibilityRole() const {
  if (View::accessibilityRole() != AccessibilityRole::Unknown) return View::accessibilityRole();
  return editable_ ? AccessibilityRole::TextField : AccessibilityRole::StaticText;
}

}  // namespace vigilix::platform
