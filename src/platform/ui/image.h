#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/color.h"
#include "platform/ui/view.h"

namespace vigilix::platform {

// An image; the model knows system symbol images by name.
class Image {
 public:
  // The named system symbol, or none when this system does not have it.
  static std::optional<Image> systemSymbol(const std::string& name,
                                           std::optional<std::string> accessibilityDescription);
  // Which symbols the system lacks (all are present unless a test says so).
  static void setSystemSymbolAvailable(const std::string& name, bool available);
  static void resetSystemSymbols();
  // An application's icon by its icon-theme name, or by its file's absolute path.
  static Image themeIcon(const std::string& name,
                         std::optional<std::string> accessibilityDescription);
  bool isThemeIcon() const { return themeIcon_; }

  const std::string& symbolName() const { return symbolName_; }
  const std::optional<std::string>& accessibilityDescription() const { return description_; }
  bool isTemplate() const { return isTemplate_; }
  void setTemplate(bool isTemplate) { isTemplate_ = isTemplate; }
  // The palette colours of a symbol configuration (empty: none).
  const std::vector<Color>& paletteColors() const { return palette_; }
  Image withPaletteColors(std::vector<Color> colors) const;

  bool operator==(const Image&) const = default;

 private:
  std::string symbolName_;
  std::optional<std::string> description_;
  bool isTemplate_ = true;
  bool themeIcon_ = false;
  std::vector<Color> palette_;
};

class ImageView : public View {
 public:
  explicit ImageView(Rect frame = {});
  const std::optional<Image>& image() const { return image_; }
  void setImage(std::optional<Image> image);
  // The colour a symbol is drawn in; none: the label colour.
  const std::optional<Color>& contentTintColor() const { return tint_; }
  void setContentTintColor(std::optional<Color> color);
  // Set, the view's own label; else the image's accessibility description.
  std::optional<std::string> accessibilityLabel() const override;
  Size intrinsicContentSize() const override;
  AccessibilityRole accessibilityRole() const override { return AccessibilityRole::Image; }

 private:
  std::optional<Image> image_;
  std::optional<Color> tint_;
};

}  // namespace vigilix::platform
