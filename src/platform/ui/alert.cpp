#include "platform/ui/alert.h"

#include <algorithm>

#include "platform/runloop/weakly.h"
#include "platform/ui/application.h"
#include "platform/ui/font.h"

namespace vigilix::platform {

namespace {

constexpr double kButtonGap = 12;
constexpr double kTextGap = 8;
constexpr double kMinimumButtonWidth = 72;

}  // namespace

Alert::Alert() : window_(std::make_shared<Window>(Rect(0, 0, kWidth, 120), WindowStyle::Titled)) {}

std::shared_ptr<Alert> Alert::make() {
  std::shared_ptr<Alert> alert(new Alert);
  auto content = std::make_shared<AlertContentView>(alert);
  alert->messageLabel_ = TextField::labelWithString("");
  alert->messageLabel_->setFont(Font::systemFont(Font::systemFontSize(), Font::Weight::Bold));
  alert->informativeLabel_ = TextField::labelWithString("");
  alert->informativeLabel_->setFont(Font::systemFont(Font::smallSystemFontSize()));
  for (auto& label : {alert->messageLabel_, alert->informativeLabel_}) {
    label->setSelectable(true);
    label->setMaximumNumberOfLines(0);
    label->setPreferredMaxLayoutWidth(kWidth - 2 * kMargin);
    content->addSubview(label);
  }
  alert->window_->setContentView(content);
  return alert;
}

ModalResponse Alert::responseOfButtonAt(std::size_t index) {
  return static_cast<ModalResponse>(static_cast<int>(ModalResponse::AlertFirstButtonReturn) +
                                    static_cast<int>(index));
}

std::shared_ptr<Button> Alert::addButtonWithTitle(const std::string& title) {
  auto button = Button::withTitle(title);
  if (buttons_.empty()) {
    button->setKeyEquivalent(KeyEquivalent::Return);
    window_->setDefaultButton(button);
  } else if (title == "Cancel") {
    button->setKeyEquivalent(KeyEquivalent::Escape);
  }
  ModalResponse response = responseOfButtonAt(buttons_.size());
  button->setAction(weakly(this, [response](Alert& alert) { alert.finish(response); }));
  window_->contentView()->addSubview(button);
  buttons_.push_back(button);
  return button;
}

void Alert::layoutPanel() {
  messageLabel_->setStringValue(messageText_);
  informativeLabel_->setStringValue(informativeText_);
  informativeLabel_->setHidden(informativeText_.empty());
  double width = kWidth - 2 * kMargin;
  double y = kMargin;
  for (auto& label : {messageLabel_, informativeLabel_}) {
    if (label->isHidden()) continue;
    Size size = label->intrinsicContentSize();
    label->setFrame(Rect(kMargin, y, width, size.height));
    y += size.height + kTextGap;
  }
  y += kMargin - kTextGap;
  // The first button is rightmost; the others follow leftwards.
  double right = kWidth - kMargin;
  double buttonHeight = 0;
  for (auto& button : buttons_) {
    Size size = button->intrinsicContentSize();
    double w = std::max(size.width, kMinimumButtonWidth);
    button->setFrame(Rect(right - w, y, w, size.height));
    right -= w + kButtonGap;
    buttonHeight = std::max(buttonHeight, size.height);
  }
  window_->setContentSize(Size{kWidth, y + buttonHeight + kMargin});
}

void Alert::beginSheetModalForWindow(const std::shared_ptr<Window>& parent, Completion completion) {
  if (presented_ || !parent) return;
  if (buttons_.empty()) addButtonWithTitle("OK");
  layoutPanel();
  // Whoever ends the sheet, the alert hears it.
  if (!parent->beginSheet(window_, weakly(this, [](Alert& alert, ModalResponse response) {
                            alert.didEnd(response);
                          }))) {
    return;
  }
  completion_ = std::move(completion);
  presented_ = true;
  keepAlive_ = shared_from_this();
}

void Alert::presentModal(Completion completion) {
  if (presented_) return;
  if (buttons_.empty()) addButtonWithTitle("OK");
  layoutPanel();
  completion_ = std::move(completion);
  presented_ = true;
  keepAlive_ = shared_from_this();
  window_->center();
  Application::shared().beginModalWindow(window_);
  window_->makeKeyAndOrderFront();
}

void Alert::finish(ModalResponse response) {
  if (!presented_) return;
  if (Window* parent = window_->sheetParent()) {
    parent->endSheet(*window_, response);
    return;
  }
  Application::shared().endModalWindow(*window_);
  window_->orderOut();
  didEnd(response);
}

void Alert::didEnd(ModalResponse response) {
  if (!presented_) return;
  auto self = std::move(keepAlive_);
  auto completion = std::move(completion_);
  completion_ = nullptr;
  presented_ = false;
  if (completion) completion(response);
}

}  // namespace vigilix::platform
