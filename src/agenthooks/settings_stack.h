#pragma once

#include <memory>

#include "platform/ui/view.h"

namespace vigilix {

// A row or column of views for the settings sections, leading-aligned at their own sizes. A
// flexible space in a row shares out the width the others leave; in a column, a view without an
// intrinsic width, or a stack set to fill, spans the width. Hidden views take no room. Main
// thread only.
class VGXSettingsStack : public platform::View {
 public:
  enum class Axis { vertical, horizontal };

  static std::shared_ptr<VGXSettingsStack> make(Axis axis, double spacing, double margin = 0);
  static std::shared_ptr<platform::View> flexibleSpace();

  // Adds the view as the last subview and asks for a new layout.
  void add(const std::shared_ptr<platform::View>& view);
  // Removes every subview.
  void clear();
  // Spans the width of the column it is in.
  void setFillsWidth(bool fills) { fillsWidth_ = fills; }
  bool fillsWidth() const { return fillsWidth_; }

  bool isFlipped() const override { return true; }
  platform::Size intrinsicContentSize() const override;
  void layout() override;

  VGXSettingsStack(Axis axis, double spacing, double margin = 0)
      : axis_(axis), spacing_(spacing), margin_(margin) {}

 private:
  Axis axis_;
  double spacing_;
  double margin_;
  bool fillsWidth_ = false;
};

}  // namespace vigilix
