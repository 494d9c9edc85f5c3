#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/color.h"
#include "platform/ui/control.h"
#include "platform/ui/number_formatter.h"

namespace vigilix::platform {

class TextField;

// Editing commands the field editor turns keys into.
enum class TextCommand {
  MoveUp,
  MoveDown,
  MoveLeft,
  MoveRight,
  DeleteBackward,
  InsertTab,
  InsertBacktab,
  InsertNewline,
  CancelOperation,
};

// The text editor of the field being edited: its text and the selection
// (byte offsets on character boundaries).
class FieldEditor {
 public:
  struct Range {
    std::size_t location = 0;
    std::size_t length = 0;
    bool operator==(const Range&) const = default;
  };

  explicit FieldEditor(TextField& field);

  const std::string& string() const { return text_; }
  // Replaces the whole text without reporting a user change.
  void setString(const std::string& text);
  Range selectedRange() const { return selection_; }
  void setSelectedRange(Range range);
  void selectAll() { setSelectedRange(Range{0, text_.size()}); }
  std::string selectedText() const { return text_.substr(selection_.location, selection_.length); }

  // User edits; each reports a text change to the field's delegate.
  void insertText(const std::string& text);
  void deleteBackward();
  void moveLeft();
  void moveRight();
  void moveToBeginning() { setSelectedRange(Range{0, 0}); }
  void moveToEnd() { setSelectedRange(Range{text_.size(), 0}); }

 private:
  TextField& field_;
  std::string text_;
  Range selection_;
};

// What a text field tells its delegate.
class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual void controlTextDidChange(Control& sender) { (void)sender; }
  // Returns true when the delegate handled the command.
  virtual bool controlTextViewDoCommandBySelector(Control& control, FieldEditor& textView,
                                                  TextCommand command) {
    (void)control;
    (void)textView;
    (void)command;
    return false;
  }
};

// A text field: editable or a label. While it is first responder a field
// editor holds the text being typed, and the field's value is that text.
class TextField : public Control {
 public:
  explicit TextField(Rect frame = {});
  ~TextField() override;

  static std::shared_ptr<TextField> labelWithString(const std::string& text);
  static std::shared_ptr<TextField> textFieldWithString(const std::string& text);

  void setStringValue(const std::string& value) override;
  void setIntegerValue(std::int64_t value) override;

  // A label whose text the user may select and copy (never edit).
  bool isSelectable() const { return selectable_ || editable_; }
  void setSelectable(bool selectable) { selectable_ = selectable; }
  double preferredMaxLayoutWidth() const { return preferredMaxLayoutWidth_; }

  const Color& textColor() const { return textColor_; }
  void setTextColor(const Color& color);
  // Text wider than the preferred width wraps onto up to this many lines
  // (0 = any number) in the intrinsic size.
  void setMaximumNumberOfLines(int lines) { maximumNumberOfLines_ = lines; }
  int maximumNumberOfLines() const { return maximumNumberOfLines_; }
  // A label is not editable.
  bool isEditable() const { return editable_; }
  void setPreferredMaxLayoutWidth(double width) { preferredMaxLayoutWidth_ = width; }

  std::shared_ptr<NumberFormatter> formatter() const { return formatter_; }
  void setFormatter(std::shared_ptr<NumberFormatter> formatter) {
    formatter_ = std::move(formatter);
  }
  std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<TextFieldDelegate>& delegate) { delegate_ = delegate; }

  // The field editor while the field is being edited, else nullptr.
  FieldEditor* currentEditor() const { return editor_.get(); }

  bool acceptsFirstResponder() const override;
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  void keyDown(const Event& event) override;
  Size intrinsicContentSize() const override;
  // A label that wraps breaks its lines at `width` or its preferred width,
  // whichever is less.
  double heightForWidth(double width) const override;
  AccessibilityRole accessibilityRole() const override;

 private:
  friend class FieldEditor;
  void editorDidChangeText(bool byUser);
  void perform(TextCommand command);
  // The label's size with its lines broken at `wrapWidth` (0: only at line breaks).
  Size labelSize(double wrapWidth) const;

  bool editable_ = true;
  bool selectable_ = false;
  Color textColor_ = Color::controlText();
  int maximumNumberOfLines_ = 1;
  double preferredMaxLayoutWidth_ = 0;
  std::shared_ptr<NumberFormatter> formatter_;
  std::weak_ptr<TextFieldDelegate> delegate_;
  std::unique_ptr<FieldEditor> editor_;
};

}  // namespace vigilix::platform
