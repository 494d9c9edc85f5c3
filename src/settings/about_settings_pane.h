#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/property_value.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"
#include "settings/settings_content_view_controller.h"

namespace vigilix {

// The application's icon, by its icon-theme name.
inline constexpr const char* kVGXApplicationIconName = "run.tarvo.vigilix";

// The application's icon at 64 points, hidden from screen readers (the
// title beside it says the same).
std::shared_ptr<platform::View> applicationIconView();

// The About pane: the program's name, version, credits and legal notice,
// read from its information dictionary and its credits file. None of it
// can be edited. The About window shows the same pane.
class DZLAboutSettingsViewController final : public DZLSettingsContentViewController {
 public:
  // `creditsFile`: where the credits text is installed; a missing or
  // unreadable file shows no credits.
  DZLAboutSettingsViewController(platform::PropertyDictionary info,
                                 std::optional<std::filesystem::path> creditsFile);

  std::optional<platform::Image> tabViewItemImage() const override { return symbol("info.circle"); }
  std::optional<std::string> preferredTitle() const override { return "About"; }

  // "Version <short> (<build>)".
  std::string versionText() const;
  std::optional<std::string> legalNoticeText() const;
  const std::optional<std::filesystem::path>& creditsFileURL() const { return creditsFile_; }
  // The credits as shown: the file's text, none when it cannot be read.
  const std::optional<std::string>& credits() const { return credits_; }
  bool isEditable() const { return false; }

  const std::shared_ptr<platform::TextField>& versionLabel() const { return version_; }

 private:
  platform::PropertyDictionary info_;
  std::optional<std::filesystem::path> creditsFile_;
  std::optional<std::string> credits_;
  std::shared_ptr<platform::TextField> version_;
};

// The About window that "About Vigilix" brings up: the About pane on its
// own, closable. Made once and brought to the front again.
class VGXAboutWindow {
 public:
  VGXAboutWindow(platform::PropertyDictionary info,
                 std::optional<std::filesystem::path> creditsFile);

  const std::shared_ptr<platform::Window>& window() const { return window_; }
  DZLAboutSettingsViewController& pane() { return pane_; }
  void show();

 private:
  DZLAboutSettingsViewController pane_;
  std::shared_ptr<platform::Window> window_;
};

}  // namespace vigilix
