#include "health/health_view.h"

#include "health/protection_verifier.h"
#include "keepawake/health_registry.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/runloop/weakly.h"
#include "platform/ui/font.h"
#include "platform/ui/window.h"

namespace vigilix {

namespace {

using platform::StackView;

constexpr double kRowSpacing = 8;
// What is left of a row for its texts beside the symbol and a "Fix" button.
constexpr double kTextWidth = VGXHealthView::kWidth - 2 * VGXHealthView::kMargin -
                              platform::ScrollView::kScrollerWidth - 16 - 60 - 3 * kRowSpacing;

std::shared_ptr<platform::TextField> label(const std::string& text, const platform::Font& font) {
  auto field = platform::TextField::labelWithString(text);
  field->setFont(font);
  return field;
}

}  // namespace

std::string VGXHealthRowView::symbolName(VGXHealthSeverity severity) {
  return severity == VGXHealthSeverity::Ok ? "checkmark.circle" : "exclamationmark.triangle";
}

platform::Color VGXHealthRowView::symbolColor(VGXHealthSeverity severity) {
  return severity == VGXHealthSeverity::Ok ? platform::Color::secondaryLabel()
                                           : platform::Color::systemOrange();
}

VGXHealthRowView::VGXHealthRowView(const VGXHealthLine& line, FixAction fix)
    : StackView(Orientation::Horizontal) {
  setAlignment(Alignment::Leading);
  setSpacing(kRowSpacing);

  symbol_ = std::make_shared<platform::ImageView>();
  symbol_->setImage(platform::Image::systemSymbol(symbolName(line.severity), std::nullopt));
  symbol_->setContentTintColor(symbolColor(line.severity));
  symbol_->setAccessibilityLabel(localizedTitle(line.severity));

  title_ = label(line.title, platform::Font::headlineFont());
  detail_ = label(line.detail, platform::Font::systemFont(platform::Font::systemFontSize()));
  detail_->setSelectable(true);
  for (auto& text : {title_, detail_}) {
    text->setMaximumNumberOfLines(0);
    text->setPreferredMaxLayoutWidth(kTextWidth);
  }
  auto texts = StackView::make(Orientation::Vertical, {title_, detail_});
  texts->setAlignment(Alignment::Leading);
  texts->setSpacing(2);

  addArrangedSubview(symbol_);
  addArrangedSubview(texts);
  addArrangedSubview(std::make_shared<platform::SpacerView>());
  if (line.fixActionID) {
    fix_ = platform::Button::withTitle(platform::localized("Fix", "Health check fix action"));
    fix_->setAccessibilityLabel(platform::fillPlaceholders(
        platform::localized("Fix %@", "Health Check fix action; line title"), {line.title}));
    fix_->setAction([fix = std::move(fix), id = *line.fixActionID](platform::Control&) {
      if (fix) fix(id);
    });
    addArrangedSubview(fix_);
  }
}

std::shared_ptr<VGXHealthView> VGXHealthView::make(
    Action dismiss, std::optional<Action> onClose,
    const std::shared_ptr<VGXProtectionVerifier>& verifier) {
  auto view = std::make_shared<VGXHealthView>(std::move(dismiss), std::move(onClose), verifier);
  view->build();
  return view;
}

VGXHealthView::VGXHealthView(Action dismiss, std::optional<Action> onClose,
                             std::weak_ptr<VGXProtectionVerifier> verifier)
    : StackView(Orientation::Vertical, platform::Rect(0, 0, kWidth, kHeight)),
      dismiss_(std::move(dismiss)),
      onClose_(std::move(onClose)),
      verifier_(std::move(verifier)) {}

void VGXHealthView::build() {
  setAlignment(Alignment::Leading);
  setSpacing(kSpacing);
  setEdgeInsets({kMargin, kMargin, kMargin, kMargin});

  heading_ = label(platform::localized("Keep-Awake Health", "Health check sheet title"),
                   platform::Font::headlineFont());

  rowStack_ = std::make_shared<StackView>(Orientation::Vertical);
  rowStack_->setAlignment(Alignment::Leading);
  rowStack_->setSpacing(kSpacing);
  scroll_ = std::make_shared<platform::ScrollView>();
  scroll_->setHasVerticalScroller(true);
  scroll_->setDocumentView(rowStack_);

  const std::weak_ptr<VGXHealthView> weak =
      std::static_pointer_cast<VGXHealthView>(shared_from_this());
  checkAgain_ =
      platform::Button::withTitle(platform::localized("Check Again", "Health check refresh"));
  checkAgain_->setAction(platform::weakly(weak, [](VGXHealthView& self) { self.checkAgain(); }));
  done_ = platform::Button::withTitle(platform::localized("Done", "Dismiss health check"));
  done_->setKeyEquivalent(platform::KeyEquivalent::Return);
  done_->setAction(platform::weakly(weak, [](VGXHealthView& self) { self.done(); }));
  auto footer = StackView::make(Orientation::Horizontal,
                                {checkAgain_, std::make_shared<platform::SpacerView>(), done_});

  addArrangedSubview(heading_);
  addArrangedSubview(scroll_);
  addArrangedSubview(footer);
  setFlexible(*scroll_, true);
}

void VGXHealthView::viewDidMoveToWindow() {
  if (auto* window = this->window()) window->setDefaultButton(done_);
}

std::vector<std::shared_ptr<VGXHealthRowView>> VGXHealthView::rows() const {
  std::vector<std::shared_ptr<VGXHealthRowView>> rows;
  for (const auto& view : rowStack_->arrangedSubviews()) {
    rows.push_back(std::static_pointer_cast<VGXHealthRowView>(view));
  }
  return rows;
}

void VGXHealthView::reloadLines() {
  lines_ = VGXHealthRegistry::lines();
  rowStack_->removeAllArrangedSubviews();
  const std::weak_ptr<VGXHealthView> weak =
      std::static_pointer_cast<VGXHealthView>(shared_from_this());
  for (const auto& line : lines_) {
    rowStack_->addArrangedSubview(std::make_shared<VGXHealthRowView>(
        line,
        platform::weakly(weak, [](VGXHealthView& self, const std::string& id) { self.fix(id); })));
  }
  scroll_->setNeedsLayout(true);
  setNeedsLayout(true);
  layoutSubtreeIfNeeded();
}

void VGXHealthView::check() {
  if (auto verifier = verifier_.lock()) verifier->check();
}

void VGXHealthView::acknowledgeIncidents() {
  // The verifier's own dismissal: acknowledge all, then tell the application.
  if (auto verifier = verifier_.lock()) verifier->dismissIncidents();
}

void VGXHealthView::viewDidAppear() {
  check();
  reloadLines();
  acknowledgeIncidents();
}

void VGXHealthView::checkAgain() {
  check();
  reloadLines();
}

void VGXHealthView::fix(const std::string& fixActionID) {
  if (fixActionID == kDismissIncidentsAction) {
    acknowledgeIncidents();
  } else {
    check();
  }
  reloadLines();
}

void VGXHealthView::done() {
  if (onClose_) {
    if (*onClose_) (*onClose_)();
    return;
  }
  if (dismiss_) {
    dismiss_();
    return;
  }
  auto* window = this->window();
  if (!window) return;
  if (auto* parent = window->sheetParent()) {
    parent->endSheet(*window);
  } else {
    window->close();
  }
}

}  // namespace vigilix
