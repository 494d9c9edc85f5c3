#include "settings/triggers/triggers_settings_pane.h"

#include "agents/agent_settings_slot.h"
#include "hub/trigger_bridge.h"
#include "platform/base/localized.h"
#include "platform/defaults/user_defaults.h"
#include "platform/runloop/weakly.h"
#include "platform/ui/event.h"
#include "platform/ui/file_drop.h"
#include "platform/ui/font.h"
#include "platform/ui/window.h"
#include "settings/triggers/triggers_pane_rows.h"

namespace vigilix {

using platform::localized;

namespace {

constexpr const char* kWebDomain = "vigilix.tarvo.run";

// The form: Ctrl+Z anywhere in it undoes the last removal of an app, but
// only while the pane is the one shown.
class TriggersForm final : public platform::StackView, public platform::FileDropTarget {
 public:
  explicit TriggersForm(std::function<bool()> undo)
      : StackView(Orientation::Vertical), undo_(std::move(undo)) {}
  bool performKeyEquivalent(const platform::Event& event) override {
    const std::uint64_t modifiers =
        event.modifierFlags & platform::ModifierFlags::DeviceIndependentShortcutMask;
    if (modifiers == platform::ModifierFlags::Control && event.characters == "z" &&
        !isHiddenOrHasHiddenAncestor())
      return undo_();
    return StackView::performKeyEquivalent(event);
  }
  // Desktop entries dropped anywhere on the form join the app list; other
  // files are passed over. The drop is taken when files were offered.
  bool performFileDrop(const std::vector<std::string>& paths) override {
    if (drop_) drop_(paths);
    return !paths.empty();
  }
  void setDrop(std::function<void(const std::vector<std::string>&)> drop) {
    drop_ = std::move(drop);
  }

 private:
  std::function<bool()> undo_;
  std::function<void(const std::vector<std::string>&)> drop_;
};

// Every control below `view`, except inside `skip`, which keeps its own rules.
void setControlsEnabled(const platform::View& view, bool enabled, const platform::View* skip) {
  for (const auto& child : view.subviews()) {
    if (child.get() == skip) continue;
    if (auto* control = dynamic_cast<platform::Control*>(child.get())) control->setEnabled(enabled);
    setControlsEnabled(*child, enabled, skip);
  }
}

}  // namespace

std::shared_ptr<VGXTriggersSettingsViewController> VGXTriggersSettingsViewController::make(
    platform::UserDefaults& defaults, std::shared_ptr<TriggersSettingsHub> hub) {
  auto pane = std::make_shared<VGXTriggersSettingsViewController>(defaults, std::move(hub));
  pane->build();
  return pane;
}

VGXTriggersSettingsViewController::VGXTriggersSettingsViewController(
    platform::UserDefaults& defaults, std::shared_ptr<TriggersSettingsHub> hub)
    : defaults_(defaults),
      hub_(hub),
      model_(std::make_shared<VGXTriggersSettingsModel>(
          VGXTriggersSettingsModel::Collaborators{defaults, hub})),
      controls_(*model_, defaults, hub),
      scroll_(std::make_shared<platform::ScrollView>()),
      view_(scroll_) {}

VGXTriggersSettingsViewController::~VGXTriggersSettingsViewController() {
  if (footerTimer_) footerTimer_->invalidate();
}

void VGXTriggersSettingsViewController::build() {
  model_->load();
  auto form = std::make_shared<TriggersForm>([this] {
    if (controls_.isManaged() || !model_->apps().canUndo()) return false;
    apps_->undoRemoval();
    return true;
  });
  form->setDrop([this](const std::vector<std::string>& paths) {
    if (controls_.isManaged()) return;
    for (const std::string& path : paths) model_->addDroppedApp(path);
  });
  form_ = form;
  // Sections as wide as the pane, so that their text wraps at its edge.
  form_->setAlignment(platform::StackView::Alignment::Fill);
  form_->setSpacing(18);
  form_->setEdgeInsets({20, 30, 20, 30});
  scroll_->setHasVerticalScroller(true);
  scroll_->setDocumentView(form_);

  agentSection_ = slotSection(localized("AI Agent", "Triggers feature slot"), true);
  form_->addArrangedSubview(agentSection_);
  chatSection_ = slotSection(localized("Chat App", "Triggers feature slot"), false);
  form_->addArrangedSubview(chatSection_);

  auto& quick = *sections_.emplace_back(
      std::make_unique<VGXSettingsSection>(localized("Quick Setups", "Quick setup")));
  buildRecipes(quick);
  form_->addArrangedSubview(quick.view());

  auto& top = *sections_.emplace_back(std::make_unique<VGXSettingsSection>(std::nullopt));
  enable_ = makeRuleToggle(controls_, triggersPaneToggle(&TriggerConfiguration::isEnabled));
  top.addRow(enable_);
  switchFooter_ = top.footer();
  form_->addArrangedSubview(top.view());

  apps_ = std::make_unique<VGXTriggersAppsSection>(model_);
  conditions_ = std::make_unique<VGXTriggersConditionsSections>(model_, controls_);
  watching_ = std::make_unique<VGXTriggersWatchingSection>(model_, hub_);
  form_->addArrangedSubview(apps_->view());
  form_->addArrangedSubview(conditions_->conditionsView());

  auto& power = *sections_.emplace_back(std::make_unique<VGXSettingsSection>(std::nullopt));
  power_ = makeRuleToggle(controls_, triggersPaneToggle(&TriggerConfiguration::onlyWhileOnPower));
  power.addRow(power_);
  power.setFooter(localized("Conditions apply only while your computer is connected to power.",
                            "Triggers settings"));
  form_->addArrangedSubview(power.view());

  form_->addArrangedSubview(conditions_->scheduleView());
  form_->addArrangedSubview(conditions_->advancedView());
  form_->addArrangedSubview(watching_->view());

  liveFooter_ = secondaryLine("");
  form_->addArrangedSubview(liveFooter_);

  model_->setOnChange(platform::weakly(this, &VGXTriggersSettingsViewController::refresh));
  const auto follow = platform::weakly(this, [](VGXTriggersSettingsViewController& self) {
    // A managed value may have come or gone too.
    self.refresh();
    self.model_->refreshLiveFooter();
  });
  auto& center = platform::NotificationCenter::defaultCenter();
  defaultsObserver_ =
      center.addObserver(platform::kUserDefaultsDidChangeNotification, nullptr, nullptr, follow);
  watchesObserver_ = center.addObserver(kWatchesChangedNotification, nullptr, nullptr, follow);
  refresh();
}

std::shared_ptr<platform::View> VGXTriggersSettingsViewController::slotSection(
    const std::string& title, bool agent) {
  const auto& factory =
      agent ? VGXAgentSettingsSlot::agentSection() : VGXAgentSettingsSlot::chatSection();
  if (factory) {
    if (auto view = factory()) return view;
  }
  auto& section = *sections_.emplace_back(std::make_unique<VGXSettingsSection>(title));
  section.addRow(secondaryLine(
      localized("Available in the version from ", "Feature slot placeholder") + kWebDomain));
  return section.view();
}

void VGXTriggersSettingsViewController::buildRecipes(VGXSettingsSection& section) {
  std::shared_ptr<platform::StackView> line;
  for (const TriggerRecipe recipe : {TriggerRecipe::atMyDesk, TriggerRecipe::inCalls,
                                     TriggerRecipe::overnightDownload, TriggerRecipe::presenting}) {
    const TriggersRecipeCard card = recipeCard(recipe);
    auto button = platform::Button::withTitle(card.title);
    button->setAccessibilityLabel(card.title);
    button->setFont(platform::Font::systemFont(platform::Font::systemFontSize(),
                                               platform::Font::Weight::Medium));
    button->setAction([this, recipe](platform::Control&) { controls_.applyRecipe(recipe); });
    auto added = secondaryLine("\u2713 " + localized("Added", "Quick setup applied"));
    auto stack = platform::StackView::make(platform::StackView::Orientation::Vertical,
                                           {button, secondaryLine(card.caption), added});
    stack->setSpacing(4);
    stack->setAlignment(platform::StackView::Alignment::Leading);
    // Two columns, 12 points between the rows.
    if (!line || line->arrangedSubviews().size() == 2) {
      line = platform::StackView::make(platform::StackView::Orientation::Horizontal, {});
      line->setSpacing(24);

      section.addRow(line);
    }
    line->addArrangedSubview(stack);
    // The two columns share the width equally.
    line->setFlexible(*stack, true);
    cards_.push_back({recipe, button, added});
  }
  section.view()->setSpacing(12);
}

void VGXTriggersSettingsViewController::refresh() {
  // Managed rules disable the whole form; once they are not, the sections'
  // own rules below decide again.
  const bool managed = controls_.isManaged();
  if (!managed) setControlsEnabled(*form_, true, agentSection_.get());
  for (const auto& card : cards_) {
    const bool applied = controls_.isApplied(card.recipe);
    card.added->setHidden(!applied);
    card.button->setAccessibilityValue(applied ? localized("Added", "Quick setup applied")
                                               : std::string());
    card.button->setEnabled(true);
  }
  enable_->setState(
      checkState(controls_.value(triggersPaneToggle(&TriggerConfiguration::isEnabled))));
  enable_->setEnabled(!controls_.isManaged());
  switchFooter_->setStringValue(controls_.switchFooter());
  switchFooter_->setHidden(false);
  power_->setState(
      checkState(controls_.value(triggersPaneToggle(&TriggerConfiguration::onlyWhileOnPower))));
  power_->setEnabled(!controls_.isManaged());
  apps_->refresh();
  conditions_->refresh();
  watching_->refresh();
  liveFooter_->setStringValue(model_->liveFooter());
  liveFooter_->setAccessibilityLabel(model_->liveFooter());
  if (managed) setControlsEnabled(*form_, false, nullptr);
  form_->setNeedsLayout(true);
  scroll_->setNeedsLayout(true);
}

void VGXTriggersSettingsViewController::paneDidAppear() {
  model_->load();
  if (footerTimer_) footerTimer_->invalidate();
  footerTimer_ = platform::RunLoop::main().scheduleTimer(
      kFooterInterval, true,
      platform::weakly(this, &VGXTriggersSettingsViewController::footerTick));
}

void VGXTriggersSettingsViewController::paneDidDisappear() {
  if (footerTimer_) footerTimer_->invalidate();
  footerTimer_.reset();
}

void VGXTriggersSettingsViewController::footerTick() {
  // A closed window tells nobody; the timer stops itself then.
  const platform::Window* window = view_->window();
  if (!window || !window->isVisible() || view_->isHiddenOrHasHiddenAncestor()) {
    paneDidDisappear();
    return;
  }
  watching_->refresh();
  model_->refreshLiveFooter();
}

}  // namespace vigilix
