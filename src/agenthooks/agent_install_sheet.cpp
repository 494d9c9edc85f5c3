#include "agenthooks/agent_install_sheet.h"

#include <algorithm>

#include "agenthooks/settings_stack.h"
#include "platform/base/localized.h"

namespace vigilix {

namespace {

using platform::localized;
using platform::TextField;

constexpr double kMargin = 20;
constexpr double kSpacing = 12;

}  // namespace

std::shared_ptr<VGXAgentInstallSheet> VGXAgentInstallSheet::make(
    VGXAgentInstallSheetModel sheet, std::shared_ptr<VGXAgentSettingsModel> model) {
  auto made = std::make_shared<VGXAgentInstallSheet>(std::move(sheet), std::move(model));
  made->build();
  return made;
}

VGXAgentInstallSheet::VGXAgentInstallSheet(VGXAgentInstallSheetModel sheet,
                                           std::shared_ptr<VGXAgentSettingsModel> model)
    : sheet_(std::move(sheet)), model_(model) {}

void VGXAgentInstallSheet::build() {
  title_ = TextField::labelWithString(
      sheet_.isUpdate ? localized("Update\u2026", "Agent hook update sheet title")
                      : localized("Install Hooks", "Agent hook install sheet title"));
  title_->setFont(platform::Font::systemFont(17, platform::Font::Weight::Semibold));
  path_ = TextField::labelWithString(sheet_.path);
  path_->setTextColor(platform::Color::secondaryLabel());
  planned_ = TextField::labelWithString(sheet_.planned);
  planned_->setMaximumNumberOfLines(0);

  const std::weak_ptr<VGXAgentInstallSheet> weak = weak_from_this();
  cancel_ = platform::Button::withTitle(localized("Cancel", "Agent hook sheet cancel"));
  cancel_->setKeyEquivalent(platform::KeyEquivalent::Escape);
  cancel_->setAction([weak](platform::Control&) {
    if (const auto sheet = weak.lock()) sheet->dismiss();
  });
  confirm_ = platform::Button::withTitle(
      sheet_.isUpdate ? localized("Update", "Agent hook sheet confirm update")
                      : localized("Install", "Agent hook sheet confirm install"));
  confirm_->setAction([weak](platform::Control&) {
    const auto sheet = weak.lock();
    if (!sheet) return;
    if (const auto model = sheet->model_.lock()) model->install(sheet->sheet_.tool);
    sheet->dismiss();
  });

  auto buttons = VGXSettingsStack::make(VGXSettingsStack::Axis::horizontal, 8);
  buttons->setFillsWidth(true);
  buttons->add(VGXSettingsStack::flexibleSpace());
  buttons->add(cancel_);
  buttons->add(confirm_);
  auto body = VGXSettingsStack::make(VGXSettingsStack::Axis::vertical, kSpacing, kMargin);
  for (const auto& view :
       std::initializer_list<std::shared_ptr<platform::View>>{title_, path_, planned_, buttons}) {
    body->add(view);
  }
  const platform::Size wanted = body->intrinsicContentSize();
  const platform::Size size{std::max(wanted.width, kMinimumWidth),
                            std::max(wanted.height, kMinimumHeight)};
  window_ = std::make_shared<platform::Window>(platform::Rect({0, 0}, size),
                                               platform::WindowStyle::Titled);
  body->setFrame(platform::Rect({0, 0}, size));
  window_->contentView()->addSubview(body);
  window_->setDefaultButton(confirm_);
  window_->setDelegate(shared_from_this());
}

void VGXAgentInstallSheet::dismiss() {
  close();
  if (const auto model = model_.lock()) model->dismissSheet();
}

void VGXAgentInstallSheet::close() {
  if (!window_ || !window_->isVisible()) return;
  window_->setDelegate(nullptr);
  window_->close();
}

void VGXAgentInstallSheet::windowWillClose(platform::Window&) {
  if (const auto model = model_.lock()) model->dismissSheet();
}

}  // namespace vigilix
