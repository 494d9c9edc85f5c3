#include "agenthooks/agent_settings_section.h"

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

namespace {

using platform::Button;
using platform::Color;
using platform::localized;
using platform::TextField;
using platform::View;
using Case = VGXHookInstallState::Case;
using Axis = VGXSettingsStack::Axis;

constexpr double kCalloutSize = 12;
constexpr double kSectionSpacing = 10;
constexpr double kLineSpacing = 6;

std::shared_ptr<TextField> secondaryLabel(const std::string& text, bool callout = false) {
  auto label = TextField::labelWithString(text);
  label->setTextColor(Color::secondaryLabel());
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

std::vector<std::string> textsOf(const View& view) {
  std::vector<std::string> texts;
  collectTexts(view, texts);
  return texts;
}

}  // namespace

std::shared_ptr<VGXAgentToolRow> VGXAgentToolRow::make(
    VGXAgentTool tool, const std::shared_ptr<VGXAgentSettingsModel>& model) {
  auto row = std::make_shared<VGXAgentToolRow>(tool);
  const VGXHookInstallState state = model->state(tool);
  const std::string status = agentHookStatusText(state);

  auto line = VGXSettingsStack::make(Axis::horizontal, 8);
  line->setFillsWidth(true);
  line->add(TextField::labelWithString(displayName(tool)));
  line->add(VGXSettingsStack::flexibleSpace());
  line->add(secondaryLabel(status));
  row->add(line);

  const std::weak_ptr<VGXAgentSettingsModel> weak = model;
  auto button = [&](std::string title, std::function<void(VGXAgentSettingsModel&)> act) {
    auto made = Button::withTitle(title);
    made->setAction([weak, act = std::move(act)](platform::Control&) {
      if (const auto owner = weak.lock()) act(*owner);
    });
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
  auto buttons = VGXSettingsStack::make(Axis::horizontal, 8);
  for (const auto& made : row->buttons_) buttons->add(made);
  row->add(buttons);

  if (tool == VGXAgentTool::codex) {
    row->add(secondaryLabel(localized("Trust the hooks once in Codex with /hooks.",
                                      "Codex /hooks note, shown once on the Codex row"),
                            true));
  }
  if (const auto error = model->errors().find(tool); error != model->errors().end()) {
    row->add(secondaryLabel(error->second, true));
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
  section->model_->setOnChange([weak] {
    if (const auto shown = weak.lock()) shown->rebuild();
  });
  section->rebuild();
  return section;
}

VGXAgentSettingsSection::VGXAgentSettingsSection(std::shared_ptr<VGXAgentSettingsModel> model)
    : model_(std::move(model)),
      body_(VGXSettingsStack::make(Axis::vertical, kSectionSpacing)),
      header_(TextField::labelWithString(localized("AI Agents", "Agent settings section header"))),
      content_(VGXSettingsStack::make(Axis::vertical, kSectionSpacing)),
      footer_(VGXSettingsStack::make(Axis::vertical, kLineSpacing)) {
  header_->setFont(platform::Font::systemFont(platform::Font::systemFontSize(),
                                              platform::Font::Weight::Semibold));
  content_->setFillsWidth(true);
  for (const auto& view :
       {std::static_pointer_cast<View>(header_), std::static_pointer_cast<View>(content_),
        std::static_pointer_cast<View>(footer_)}) {
    body_->add(view);
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
  content_->clear();
  if (denied) {
    content_->add(
        secondaryLabel(localized("Managed by your organization.", "Agent settings: managed off")));
  } else {
    for (const VGXAgentTool tool : kAllAgentTools) {
      auto row = VGXAgentToolRow::make(tool, model_);
      row->setFillsWidth(true);
      content_->add(row);
    }
  }

  footer_->clear();
  if (!denied) {
    for (const VGXAgentTool tool : kAllAgentTools) {
      footer_->add(
          secondaryLabel(platform::fillPlaceholders(
                             localized("%@: %@", "Agent tool footer; tool name, stay-awake note"),
                             {displayName(tool), stayAwakeNote(tool)}),
                         true));
    }
    footer_->add(secondaryLabel(localized("Tools without hooks: vigilix run -- <command>",
                                          "Agent settings: tools without hooks"),
                                true));
  }
  footer_->add(secondaryLabel(localized("Agent Mode needs Vigilix running \u2014 turn on Open at "
                                        "Login.",
                                        "Agent settings section footer"),
                              true));

  setControlsEnabled(*this, !denied);
  if (!denied) {
    // Rows made their buttons inactive while their tool is busy; keep that.
    for (const auto& row : rows()) {
      for (const auto& button : row->buttons()) button->setEnabled(!model_->isBusy(row->tool()));
    }
  }
  body_->setNeedsLayout(true);
  setNeedsLayout(true);
  presentOrDismissSheet();
}

void VGXAgentSettingsSection::presentOrDismissSheet() {
  const auto& wanted = model_->sheet();
  if (presented_ && (!wanted || !(presented_->sheet() == *wanted))) {
    presented_->close();
    presented_.reset();
  }
  if (wanted && !presented_) {
    presented_ = VGXAgentInstallSheet::make(*wanted, model_);
    presented_->window()->makeKeyAndOrderFront();
  }
}

}  // namespace vigilix
