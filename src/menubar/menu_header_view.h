#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "menubar/menu_switch.h"
#include "platform/ui/image.h"
#include "platform/ui/text_field.h"
#include "platform/ui/view.h"

namespace vigilix {

// The top of the status menu: the "Keep Awake" title, one reason line with
// an optional attention symbol in front, and a switch at the right edge that
// starts or stops keep-awake without closing the menu. Created in code only.
class VGXMenuHeaderView : public platform::View {
 public:
  static constexpr double kTrailingInset = 14;
  static constexpr double kHeight = 46;
  static constexpr double kMinimumWidth = 280;
  // Room the attention symbol takes in front of the reason line.
  static constexpr double kAttentionShift = 18;
  // 29 points on macOS 26 and later, 21 before.
  static double leadingInset();

  static std::shared_ptr<VGXMenuHeaderView> create(platform::Rect frame);

  // Refills the view. An attention text, when present and not empty, is
  // what accessibility reads for the header.
  void apply(const std::string& reasonLine, bool isOn, bool isEnabled,
             const std::optional<std::string>& attentionText = std::nullopt);
  void setAttention(bool shown);
  // Called with the switch's new value when the user flips it.
  void setOnToggle(std::function<void(bool)> onToggle) { onToggle_ = std::move(onToggle); }
  void switchChanged(platform::Control& sender);

  platform::Size intrinsicContentSize() const override { return {kNoIntrinsicMetric, kHeight}; }
  void viewDidMoveToWindow() override { resize(); }
  void viewDidMoveToSuperview() override { resize(); }
  // Places the subviews: title at the top, reason line under it (moved
  // right while the attention symbol shows), switch at the right edge.
  void layout() override;

  const std::shared_ptr<VGXMenuSwitch>& keepAwakeSwitch() const { return keepAwakeSwitch_; }
  const std::shared_ptr<platform::TextField>& titleLabel() const { return titleLabel_; }
  const std::shared_ptr<platform::ImageView>& attentionImage() const { return attentionImage_; }
  const std::shared_ptr<platform::TextField>& reasonLabel() const { return reasonLabel_; }
  bool isApplying() const { return isApplying_; }

 private:
  struct Passkey {};

 public:
  VGXMenuHeaderView(Passkey, platform::Rect frame);

 private:
  void setUp();
  void resize();

  std::shared_ptr<VGXMenuSwitch> keepAwakeSwitch_;
  std::shared_ptr<platform::TextField> titleLabel_;
  std::shared_ptr<platform::ImageView> attentionImage_;
  std::shared_ptr<platform::TextField> reasonLabel_;
  bool isApplying_ = false;
  std::function<void(bool)> onToggle_;
};

}  // namespace vigilix
