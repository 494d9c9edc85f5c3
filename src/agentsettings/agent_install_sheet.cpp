#include "agentsettings/agent_install_sheet.h"

#include <algorithm>

#include "platform/base/localized.h"
#include "platform/ui/stack_view.h"

namespace vigilix {

namespace {

using platform::localized;
using platform::StackView;
using platform::TextField;

constexpr double kMargin = 20;
constexpr double kSpacing = 12;
constexpr double kTitleSize = 17;
// The planned text's box before the sheet grows to its minimum size.
constexpr double kScrollHeight = 140;

std::shared_ptr<TextField> selectableLabel(const std::string& text) {
  auto label = TextField::labelWithString(text);
  label->setSelectable(true);
  return label;
}

}  // namespace

VGXAgentInstallSheet::VGXAgentInstallSheet(VGXAgentInstallSheetModel sheet,
                                           const std::shared_ptr<VGXAgentSettingsModel>& model,
                                           std::function<void()> dismiss)
    : sheet_(std::move(sheet)),
      title_(TextField::labelWithString(
          sheet_.isUpdate ? localized("Update\u2026", "Agent hook update sheet title")
                          : localized("Install Hooks", "Agent hook install sheet title"))),
      path_(selectableLabel(sheet_.path)),
      scroll_(std::make_shared<platform::ScrollView>()),
      planned_(selectableLabel(sheet_.planned)),
      cancel_(platform::Button::withTitle(localized("Cancel", "Agent hook sheet cancel"))),
      confirm_(platform::Button::withTitle(
          sheet_.isUpdate ? localized("Update", "Agent hook sheet confirm update")
                          : localized("Install", "Agent hook sheet confirm install"))) {
  title_->setFont(platform::Font::systemFont(kTitleSize, platform::Font::Weight::Semibold));
  path_->setTextColor(platform::Color::secondaryLabel());
  planned_->setMaximumNumberOfLines(0);
  planned_->setFont(platform::Font::monospacedDigitSystemFont(platform::Font::systemFontSize()));
  scroll_->setHasVerticalScroller(true);
  scroll_->setDocumentView(planned_);
  scroll_->setFrameSize({0, kScrollHeight});

  cancel_->setKeyEquivalent(platform::KeyEquivalent::Escape);
  cancel_->setAction([dismiss](platform::Control&) { dismiss(); });
  const std::weak_ptr<VGXAgentSettingsModel> weak = model;
  confirm_->setAction([weak, dismiss, tool = sheet_.tool](platform::Control&) {
    if (const auto owner = weak.lock()) owner->install(tool);
    dismiss();
  });

  auto buttons = StackView::make(StackView::Orientation::Horizontal,
                                 {std::make_shared<platform::SpacerView>(), cancel_, confirm_});
  auto body = StackView::make(StackView::Orientation::Vertical, {title_, path_, scroll_, buttons});
  body->setAlignment(StackView::Alignment::Fill);
  body->setSpacing(kSpacing);
  body->setEdgeInsets({kMargin, kMargin, kMargin, kMargin});

  const platform::Size fitting = body->fittingSize();
  const platform::Size size{std::max(fitting.width, kMinimumWidth),
                            std::max(fitting.height, kMinimumHeight)};
  window_ = std::make_shared<platform::Window>(platform::Rect({0, 0}, size),
                                               platform::WindowStyle::Titled);
  window_->setContentView(body);
  window_->setDefaultButton(confirm_);
}

}  // namespace vigilix
