#include "agentsettings/agent_settings_section.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

namespace {

using platform::Button;
using platform::Color;
using platform::localized;
using platform::StackView;
using platform::TextField;
using platform::View;
using platform::weakly;
using Case = VGXHookInstallState::Case;
using Orientation = StackView::Orientation;

constexpr double kCalloutSize = 12;
constexpr double kSectionSpacing = 10;
constexpr double kLineSpacing = 6;

std::shared_ptr<TextField> secondaryLabel(const std::string& text, bool callout = false) {
  auto label = TextField::labelWithString(text);
  label->setTextColor(Color::secondaryLabel());
  label->setMaximumNumberOfLines(0);  // within the section's width
  if (callout) label->setFont(platform::Font::systemFont(kCalloutSize));
  return label;
}

void collectTexts(const View& view, std::vector<std::string>& texts) {
  if (const auto* label = dynamic_cast<const TextField*>(&view)) {
    texts.push_back(label->stringValue());
    return;
  }
  if (dynamic_cast<const Button*>(&view)) return;
  for (const auto& child : view.subviews()) collectTexts(*child, texts);
}

void setControlsEnabled(View& view, bool enabled) {
  if (auto* control = dynamic_cast<platform::Control*>(&view)) control->setEnabled(enabled);
  for (const auto& child : view.subviews()) setControlsEnabled(*child, enabled);
}

std::shared_ptr<StackView> column(double spacing) {
  auto stack = std::make_shared<StackView>(Orientation::Vertical);
  stack->setAlignment(StackView::Alignment::Fill);
  stack->setSpacing(spacing);
  return stack;
}

std::vector<std::string> textsOf(const View& view) {
  std::vector<std::string> texts;
  collectTexts(view, texts);
  return texts;
}

}  // namespace

std::shared_ptr<VGXAgentToolRow> VGXAgentToolRow::make(
    VGXAgentTool tool, const std::shared_ptr<VGXAgentSettingsModel>& model) {
  auto row = std::make_shared<VGXAgentToolRow>(tool);
  row->setAlignment(StackView::Alignment::Fill);
  row->setSpacing(kLineSpacing);
  const VGXHookInstallState state = model->state(tool);
  const std::string status = agentHookStatusText(state);

  row->addArrangedSubview(StackView::make(
      Orientation::Horizontal, {TextField::labelWithString(displayName(tool)),
                                std::make_shared<platform::SpacerView>(), secondaryLabel(status)}));

  const std::weak_ptr<VGXAgentSettingsModel> weak = model;
  auto button = [&](std::string title, std::function<void(VGXAgentSettingsModel&)> act) {
    auto made = Button::withTitle(title);
    made->setAction(weakly(weak, std::move(act)));
    made->setEnabled(!model->isBusy(tool));
    row->buttons_.push_back(made);
  };
  auto installSheet = [&] {
    button(localized("Install\u2026", "Agent hook install sheet"),
           [tool](VGXAgentSettingsModel& m) { m.prepareSheet(tool, false); });
  };
  auto remove = [&] {
    button(localized("Remove", "Agent hook remove"),
           [tool](VGXAgentSettingsModel& m) { m.remove(tool); });
  };
  switch (state.kind) {
    case Case::notFound:
    case Case::notInstalled:
      installSheet();
      break;
    case Case::installed:
      remove();
      break;
    case Case::needsUpdate:
      button(localized("Update", "Agent hook update opens a sheet"),
             [tool](VGXAgentSettingsModel& m) { m.prepareSheet(tool, true); });
      remove();
      break;
    case Case::error:
      installSheet();
      remove();
      break;
  }
  row->addArrangedSubview(
      StackView::make(Orientation::Horizontal, {row->buttons_.begin(), row->buttons_.end()}));

  if (tool == VGXAgentTool::codex) {
    row->addArrangedSubview(
        secondaryLabel(localized("Trust the hooks once in Codex with /hooks.",
                                 "Codex /hooks note, shown once on the Codex row"),
                       true));
  }
  if (const auto error = model->errors().find(tool); error != model->errors().end()) {
    row->addArrangedSubview(secondaryLabel(error->second, true));
  }

  row->setAccessibilityElement(true);
  row->setAccessibilityRole(platform::AccessibilityRole::Group);
  row->setAccessibilityLabel(displayName(tool));
  row->setAccessibilityValue(status);
  return row;
}

std::vector<std::string> VGXAgentToolRow::texts() const { return textsOf(*this); }

std::shared_ptr<VGXAgentSettingsSection> VGXAgentSettingsSection::make(
    VGXAgentSettingsModel::Environment environment) {
  auto section = std::make_shared<VGXAgentSettingsSection>(
      VGXAgentSettingsModel::make(std::move(environment)));
  const std::weak_ptr<VGXAgentSettingsSection> weak = section;
  section->model_->setOnChange(
      weakly(weak, [](VGXAgentSettingsSection& shown) { shown.rebuild(); }));
  section->rebuild();
  return section;
}

VGXAgentSettingsSection::VGXAgentSettingsSection(std::shared_ptr<VGXAgentSettingsModel> model)
    : model_(std::move(model)),
      body_(column(kSectionSpacing)),
      header_(TextField::labelWithString(localized("AI Agents", "Agent settings section header"))),
      content_(column(kSectionSpacing)),
      footer_(column(kLineSpacing)) {
  header_->setFont(platform::Font::headlineFont());
  for (const auto& view :
       std::initializer_list<std::shared_ptr<View>>{header_, content_, footer_}) {
    body_->addArrangedSubview(view);
  }
  addSubview(body_);
}

void VGXAgentSettingsSection::layout() {
  body_->setFrame(bounds());
  body_->setNeedsLayout(true);
}

void VGXAgentSettingsSection::viewDidMoveToWindow() {
  if (window()) model_->refresh();
}

std::vector<std::shared_ptr<VGXAgentToolRow>> VGXAgentSettingsSection::rows() const {
  std::vector<std::shared_ptr<VGXAgentToolRow>> rows;
  for (const auto& view : content_->subviews()) {
    if (auto row = std::dynamic_pointer_cast<VGXAgentToolRow>(view)) rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> VGXAgentSettingsSection::contentTexts() const {
  return rows().empty() ? textsOf(*content_) : std::vector<std::string>{};
}

std::vector<std::string> VGXAgentSettingsSection::footerLines() const { return textsOf(*footer_); }

void VGXAgentSettingsSection::rebuild() {
  const bool denied = model_->policyDenied();
  content_->removeAllArrangedSubviews();
  if (denied) {
    content_->addArrangedSubview(
        secondaryLabel(localized("Managed by your organization.", "Agent settings: managed off")));
  } else {
    for (const VGXAgentTool tool : kAllAgentTools) {
      content_->addArrangedSubview(VGXAgentToolRow::make(tool, model_));
    }
  }

  footer_->removeAllArrangedSubviews();
  if (!denied) {
    for (const VGXAgentTool tool : kAllAgentTools) {
      footer_->addArrangedSubview(
          secondaryLabel(platform::fillPlaceholders(
                             localized("%@: %@", "Agent tool footer; tool name, stay-awake note"),
                             {displayName(tool), stayAwakeNote(tool)}),
                         true));
    }
    footer_->addArrangedSubview(
        secondaryLabel(localized("Tools without hooks: vigilix run -- <command>",
                                 "Agent settings: tools without hooks"),
                       true));
  }
  footer_->addArrangedSubview(
      secondaryLabel(localized("Agent Mode needs Vigilix running \u2014 turn on Open at "
                               "Login.",
                               "Agent settings section footer"),
                     true));

  // Nothing in the section acts while policy forbids agent hooks.
  if (denied) setControlsEnabled(*this, false);
  body_->setNeedsLayout(true);
  setNeedsLayout(true);
  presentOrDismissSheet();
}

void VGXAgentSettingsSection::presentOrDismissSheet() {
  const auto& wanted = model_->sheet();
  if (presented_ && (!wanted || !(presented_->sheet() == *wanted))) {
    const auto shown = presented_;
    if (auto* parent = shown->window()->sheetParent()) parent->endSheet(*shown->window());
    presented_.reset();
  }
  if (!wanted || presented_ || !window()) return;
  const std::weak_ptr<VGXAgentSettingsSection> weak =
      std::static_pointer_cast<VGXAgentSettingsSection>(shared_from_this());
  auto dismiss = weakly(weak, [](VGXAgentSettingsSection& section) {
    if (!section.presented_) return;
    const auto sheet = section.presented_->window();
    if (auto* parent = sheet->sheetParent()) parent->endSheet(*sheet);
  });
  presented_ = std::make_shared<VGXAgentInstallSheet>(*wanted, model_, std::move(dismiss));
  const auto sheetWindow = presented_->window();
  window()->beginSheet(sheetWindow, weakly(weak, [sheetWindow](VGXAgentSettingsSection& section) {
                         section.sheetEnded(*sheetWindow);
                       }));
}

// However the sheet ended, the model lets go of it, unless it already holds another.
void VGXAgentSettingsSection::sheetEnded(const platform::Window& sheet) {
  if (!presented_ || presented_->window().get() != &sheet) return;
  presented_.reset();
  model_->dismissSheet();
}

}  // namespace vigilix
