#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "menubar/shortcut.h"
#include "platform/ui/binding.h"
#include "platform/ui/view.h"

namespace vigilix {

// A small custom-drawn view that records one key combination. It only
// reports what was typed; registering and storing it is the caller's
// business.
class VGXShortcutRecorderNSView : public platform::View {
 public:
  using OnSet = std::function<void(std::uint16_t keyCode, std::uint64_t modifierFlags)>;

  explicit VGXShortcutRecorderNSView(platform::Rect frame = {});

  const std::optional<VGXShortcut>& shortcut() const { return shortcut_; }
  void setShortcut(std::optional<VGXShortcut> shortcut) { shortcut_ = shortcut; }
  bool isRecording() const { return isRecording_; }
  void setRecording(bool recording) { isRecording_ = recording; }
  void setOnStart(std::function<void()> f) { onStart_ = std::move(f); }
  void setOnCancel(std::function<void()> f) { onCancel_ = std::move(f); }
  void setOnSet(OnSet f) { onSet_ = std::move(f); }

  // The text drawn: the placeholder while recording, else the shortcut.
  std::string displayedText() const;

  bool acceptsFirstResponder() const override { return true; }
  bool canBecomeKeyView() const override { return true; }
  void mouseDown(const platform::Event& event) override;
  void keyDown(const platform::Event& event) override;
  void drawRect(platform::DrawingContext& context, const platform::Rect& dirtyRect) override;
  bool accessibilityPerformPress() override;
  std::optional<std::string> accessibilityValue() const override;

 private:
  void startRecording();

  std::optional<VGXShortcut> shortcut_;
  bool isRecording_ = false;
  std::function<void()> onStart_;
  std::function<void()> onCancel_;
  OnSet onSet_;
};

// Embeds the recorder in the declarative settings interface, tied to a
// shortcut binding and a recording-flag binding.
class VGXShortcutRecorderRepresentable {
 public:
  VGXShortcutRecorderRepresentable(platform::Binding<std::optional<VGXShortcut>> shortcut,
                                   platform::Binding<bool> isRecording,
                                   VGXShortcutRecorderNSView::OnSet onSet);

  std::shared_ptr<VGXShortcutRecorderNSView> makeView() const;
  void updateView(VGXShortcutRecorderNSView& view) const;

 private:
  platform::Binding<std::optional<VGXShortcut>> shortcut_;
  platform::Binding<bool> isRecording_;
  VGXShortcutRecorderNSView::OnSet onSet_;
};

// The settings row "Keep Awake Shortcut": a label, the recorder and, while
// a shortcut is bound, a Clear button. The conflict message is kept for the
// pane, which shows it; the row draws none.
class VGXShortcutRecorderRow {
 public:
  VGXShortcutRecorderRow(platform::Binding<std::optional<VGXShortcut>> shortcut,
                         platform::Binding<bool> isRecording,
                         platform::Binding<std::optional<std::string>> conflictMessage,
                         std::function<void()> onClear, VGXShortcutRecorderNSView::OnSet onSet);

  // The row as laid out from the bindings now. The recorder view is made
  // once and updated on every later call.
  std::shared_ptr<platform::View> body();

  static constexpr platform::Size kRecorderSize{160, 28};

 private:
  platform::Binding<std::optional<VGXShortcut>> shortcut_;
  platform::Binding<bool> isRecording_;
  platform::Binding<std::optional<std::string>> conflictMessage_;
  std::function<void()> onClear_;
  VGXShortcutRecorderRepresentable recorder_;
  std::shared_ptr<VGXShortcutRecorderNSView> recorderView_;
};

}  // namespace vigilix
