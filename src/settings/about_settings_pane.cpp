#include "settings/about_settings_pane.h"

#include "core/dzl_version.h"
#include "platform/base/logger.h"
#include "platform/fs/file_system.h"
#include "platform/ui/application.h"
#include "platform/ui/font.h"
#include "settings/settings_section.h"

namespace vigilix {

namespace {

constexpr double kAboutWidth = 420;

std::optional<std::string> readCredits(const std::optional<std::filesystem::path>& file) {
  if (!file) return std::nullopt;
  auto text = platform::FileSystem::readFile(*file);
  if (!text) {
    platform::Logger("Settings")
        .error("The credits in {} cannot be read: {}", file->string(), text.error().message);
    return std::nullopt;
  }
  return *text;
}

class ApplicationIconView final : public platform::ImageView {
 public:
  platform::Size intrinsicContentSize() const override { return {64, 64}; }
};

}  // namespace

std::shared_ptr<platform::View> applicationIconView() {
  auto icon = std::make_shared<ApplicationIconView>();
  // The icon the program installs in the icon theme.
  icon->setImage(platform::Image::themeIcon(kVGXApplicationIconName, std::nullopt));
  icon->setAccessibilityElement(false);
  return icon;
}

DZLAboutSettingsViewController::DZLAboutSettingsViewController(
    platform::PropertyDictionary info, std::optional<std::filesystem::path> creditsFile)
    : info_(std::move(info)),
      creditsFile_(std::move(creditsFile)),
      credits_(readCredits(creditsFile_)),
      version_(platform::TextField::labelWithString(versionText())) {
  view()->setAlignment(platform::StackView::Alignment::Center);
  view()->addArrangedSubview(applicationIconView());
  auto name = platform::TextField::labelWithString("Vigilix");
  name->setFont(platform::Font::systemFont(platform::Font::systemFontSize() + 4,
                                           platform::Font::Weight::Bold));
  view()->addArrangedSubview(name);
  version_->setSelectable(true);
  view()->addArrangedSubview(version_);
  if (credits_) {
    auto credits = secondaryLine(*credits_);
    credits->setPreferredMaxLayoutWidth(kAboutWidth - 60);
    view()->addArrangedSubview(credits);
  }
  if (auto notice = legalNoticeText()) {
    auto legal = secondaryLine(*notice);
    legal->setPreferredMaxLayoutWidth(kAboutWidth - 60);
    view()->addArrangedSubview(legal);
  }
}

std::string DZLAboutSettingsViewController::versionText() const {
  return "Version " + DZLVersion::dzl_fullVersionString(info_);
}

std::optional<std::string> DZLAboutSettingsViewController::legalNoticeText() const {
  return DZLVersion::dzl_localizedCopyrightString(info_);
}

VGXAboutWindow::VGXAboutWindow(platform::PropertyDictionary info,
                               std::optional<std::filesystem::path> creditsFile)
    : pane_(std::move(info), std::move(creditsFile)),
      window_(std::make_shared<platform::Window>(
          platform::Rect(0, 0, kAboutWidth, 200),
          platform::WindowStyle::Titled | platform::WindowStyle::Closable)) {
  window_->setTitle("About Vigilix");
  window_->setContentView(pane_.view());
}

void VGXAboutWindow::show() {
  auto fitting = pane_.view()->fittingSize();
  window_->setContentSize({kAboutWidth, fitting.height});
  pane_.view()->setNeedsLayout(true);
  window_->layoutIfNeeded();
  platform::Application::shared().activate();
  if (!window_->isVisible()) window_->center();
  window_->makeKeyAndOrderFront();
}

}  // namespace vigilix
