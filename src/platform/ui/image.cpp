#include "platform/ui/image.h"

#include <mutex>
#include <set>

#include "platform/base/shared_instances.h"

namespace vigilix::platform {

namespace {

struct MissingSymbols {
  std::mutex mutex;
  std::set<std::string> names;
};

constinit SharedInstance<MissingSymbols> sharedMissingSymbols;

MissingSymbols& missingSymbols() { return sharedMissingSymbols.get(); }

}  // namespace

Image Image::themeIcon(const std::string& name,
                       std::optional<std::string> accessibilityDescription) {
  Image image;
  image.symbolName_ = name;
  image.description_ = std::move(accessibilityDescription);
  image.isTemplate_ = false;
  image.themeIcon_ = true;
  return image;
}

std::optional<Image> Image::systemSymbol(const std::string& name,
                                         std::optional<std::string> accessibilityDescription) {
  {
    auto& m = missingSymbols();
    std::lock_guard lock(m.mutex);
    if (name.empty() || m.names.contains(name)) return std::nullopt;
  }
  Image image;
  image.symbolName_ = name;
  image.description_ = std::move(accessibilityDescription);
  return image;
}

void Image::setSystemSymbolAvailable(const std::string& name, bool available) {
  auto& m = missingSymbols();
  std::lock_guard lock(m.mutex);
  if (available) {
    m.names.erase(name);
  } else {
    m.names.insert(name);
  }
}

void Image::resetSystemSymbols() {
  auto& m = missingSymbols();
  std::lock_guard lock(m.mutex);
  m.names.clear();
}

Image Image::withPaletteColors(std::vector<Color> colors) const {
  Image copy = *this;
  copy.palette_ = std::move(colors);
  return copy;
}

ImageView::ImageView(Rect frame) : View(frame) {}

void ImageView::setImage(std::optional<Image> image) {
  if (image_ == image) return;
  image_ = std::move(image);
  setNeedsDisplay();
}

void ImageView::setContentTintColor(std::optional<Color> color) {
  if (tint_ == color) return;
  tint_ = std::move(color);
  setNeedsDisplay();
}

std::optional<std::string> ImageView::accessibilityLabel() const {
  if (auto label = View::accessibilityLabel()) return label;
  if (image_) return image_->accessibilityDescription();
  return std::nullopt;
}

Size ImageView::intrinsicContentSize() const {
  if (!image_) return Size{kNoIntrinsicMetric, kNoIntrinsicMetric};
  return Size{16, 16};
}

}  // namespace vigilix::platform
