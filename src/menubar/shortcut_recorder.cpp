#include "menubar/shortcut_recorder.h"

#include <algorithm>

#include "menubar/global_shortcut_center.h"
#include "platform/base/localized.h"
#include "platform/ui/button.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"

namespace vigilix {

using platform::Rect;
using platform::Size;

namespace {

std::string noneText() { return platform::localized("None", "Empty shortcut"); }

std::string recorderLabel() {
  return platform::localized("Global shortcut recorder", "General settings");
}

}  // namespace

VGXShortcutRecorderNSView::VGXShortcutRecorderNSView(Rect frame) : View(frame) {
  setAccessibilityElement(true);
  setAccessibilityRole(platform::AccessibilityRole::Button);
  setAccessibilityLabel(recorderLabel());
}

void VGXShortcutRecorderNSView::startRecording() {
  if (platform::Window* w = window()) w->makeFirstResponder(this);
  isRecording_ = true;
  setNeedsDisplay();
  if (onStart_) onStart_();
  setNeedsDisplay();
}

void VGXShortcutRecorderNSView::mouseDown(const platform::Event&) { startRecording(); }

bool VGXShortcutRecorderNSView::accessibilityPerformPress() {
  startRecording();
  return true;
}

void VGXShortcutRecorderNSView::keyDown(const platform::Event& event) {
  auto self = weak_from_this().lock();  // a callback may drop the view
  if (!isRecording_ &&
      (event.keyCode == platform::KeyCode::Space || event.keyCode == platform::KeyCode::Return)) {
    startRecording();
    return;
  }
  if (event.keyCode == platform::KeyCode::Escape) {
    isRecording_ = false;
    setNeedsDisplay();
    if (onCancel_) onCancel_();
    return;
  }
  if (!isRecording_) {
    View::keyDown(event);
    return;
  }
  std::uint64_t modifiers =
      event.modifierFlags & platform::ModifierFlags::DeviceIndependentShortcutMask;
  if (modifiers == 0) return;  // a bare key is no shortcut: keep waiting
  isRecording_ = false;
  setNeedsDisplay();
  if (onSet_) onSet_(event.keyCode, modifiers);
  setNeedsDisplay();
}

std::string VGXShortcutRecorderNSView::displayedText() const {
  if (isRecording_) return platform::localized("Type shortcut", "Shortcut recorder placeholder");
  if (shortcut_) {
    return VGXGlobalShortcutCenter::displayString(shortcut_->keyCode, shortcut_->modifierFlags);
  }
  return platform::localized("Record Shortcut", "Shortcut recorder idle");
}

void VGXShortcutRecorderNSView::drawRect(platform::DrawingContext& context, const Rect&) {
  Rect box = bounds().insetBy(0.5, 0.5);
  context.fillRoundedRect(box, 6, 6, platform::Color::controlBackground());
  context.strokeRoundedRect(box, 6, 6, platform::Color::separator());
  auto font = platform::Font::systemFont(platform::Font::smallSystemFontSize());
  std::string text = displayedText();
  Size size = font.sizeOfText(text);
  platform::Point origin{(bounds().width() - size.width) / 2,
                         (bounds().height() - size.height) / 2};
  context.drawText(text, origin, font, platform::Color::controlText());
}

std::optional<std::string> VGXShortcutRecorderNSView::accessibilityValue() const {
  if (shortcut_) {
    std::string text =
        VGXGlobalShortcutCenter::displayString(shortcut_->keyCode, shortcut_->modifierFlags);
    if (!text.empty()) return text;
  }
  return noneText();
}

VGXShortcutRecorderRepresentable::VGXShortcutRecorderRepresentable(
    platform::Binding<std::optional<VGXShortcut>> shortcut, platform::Binding<bool> isRecording,
    VGXShortcutRecorderNSView::OnSet onSet)
    : shortcut_(std::move(shortcut)),
      isRecording_(std::move(isRecording)),
      onSet_(std::move(onSet)) {}

std::shared_ptr<VGXShortcutRecorderNSView> VGXShortcutRecorderRepresentable::makeView() const {
  auto view = std::make_shared<VGXShortcutRecorderNSView>();
  view->setShortcut(shortcut_.get());
  view->setNeedsDisplay();
  auto recording = isRecording_;
  view->setOnStart([recording] { recording.set(true); });
  view->setOnCancel([recording] { recording.set(false); });
  auto onSet = onSet_;
  view->setOnSet([recording, onSet](std::uint16_t keyCode, std::uint64_t modifiers) {
    recording.set(false);
    if (onSet) onSet(keyCode, modifiers);
  });
  return view;
}

void VGXShortcutRecorderRepresentable::updateView(VGXShortcutRecorderNSView& view) const {
  view.setShortcut(shortcut_.get());
  view.setNeedsDisplay();
  view.setRecording(isRecording_.get());
  view.setNeedsDisplay();
}

VGXShortcutRecorderRow::VGXShortcutRecorderRow(
    platform::Binding<std::optional<VGXShortcut>> shortcut, platform::Binding<bool> isRecording,
    platform::Binding<std::optional<std::string>> conflictMessage, std::function<void()> onClear,
    VGXShortcutRecorderNSView::OnSet onSet)
    : shortcut_(shortcut),
      isRecording_(isRecording),
      conflictMessage_(std::move(conflictMessage)),
      onClear_(std::move(onClear)),
      recorder_(shortcut, isRecording, std::move(onSet)) {}

std::shared_ptr<platform::View> VGXShortcutRecorderRow::body() {
  constexpr double kSpacing = 8;
  auto row = std::make_shared<platform::View>();
  std::vector<std::shared_ptr<platform::View>> items;

  auto label = platform::TextField::labelWithString(
      platform::localized("Keep Awake Shortcut", "Settings row for the global shortcut"));
  label->setFrameSize(label->intrinsicContentSize());
  items.push_back(label);

  // As in the declarative interface, a view just made is updated at once, so
  // a row built while the binding says recording shows it recording.
  if (!recorderView_) recorderView_ = recorder_.makeView();
  recorder_.updateView(*recorderView_);
  auto host = std::make_shared<platform::View>(Rect(platform::Point{}, kRecorderSize));
  host->setAccessibilityElement(true);
  host->setAccessibilityRole(platform::AccessibilityRole::Button);
  host->setAccessibilityLabel(recorderLabel());
  auto bound = shortcut_.get();
  std::string value =
      bound ? VGXGlobalShortcutCenter::displayString(bound->keyCode, bound->modifierFlags)
            : std::string();
  host->setAccessibilityValue(value.empty() ? noneText() : value);
  recorderView_->setFrame(Rect(platform::Point{}, kRecorderSize));
  host->addSubview(recorderView_);
  items.push_back(host);

  if (bound) {
    auto clear =
        platform::Button::withTitle(platform::localized("Clear", "Clear the global shortcut"));
    clear->setBordered(false);
    clear->setAccessibilityLabel(
        platform::localized("Clear global shortcut", "Accessibility label of the Clear button"));
    clear->setFrameSize(clear->intrinsicContentSize());
    auto onClear = onClear_;
    auto recording = isRecording_;
    clear->setAction([onClear, recording](platform::Control&) {
      if (onClear) onClear();
      recording.set(false);
    });
    items.push_back(clear);
  }

  double height = 0;
  for (auto& item : items) height = std::max(height, item->frame().height());
  double x = 0;
  for (auto& item : items) {
    item->setFrameOrigin(platform::Point{x, (height - item->frame().height()) / 2});
    x += item->frame().width() + kSpacing;
    row->addSubview(item);
  }
  row->setFrame(Rect(0, 0, x - kSpacing, height));
  return row;
}

}  // namespace vigilix
