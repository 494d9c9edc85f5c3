#include "settings/settings_window.h"

#include "platform/runloop/dispatch_queue.h"
#include "platform/ui/event.h"
#include "platform/ui/font.h"
#include "platform/ui/reduce_motion.h"
#include "platform/ui/stack_view.h"
#include "settings/settings_layout.h"

namespace vigilix {

using platform::Rect;
using platform::Size;

namespace {

constexpr double kTabBarHeight = 40;
const char* const kTabTitles[] = {"General", "Durations", "Triggers"};

// Tabs across the top, the selected pane filling the rest.
class SettingsContentView : public platform::View {
 public:
  SettingsContentView(std::shared_ptr<platform::View> tabBar,
                      std::vector<std::shared_ptr<platform::View>> panes,
                      std::function<void()> didAppear)
      : tabBar_(std::move(tabBar)), panes_(std::move(panes)), didAppear_(std::move(didAppear)) {
    addSubview(tabBar_);
    for (const auto& pane : panes_) addSubview(pane);
  }
  bool isFlipped() const override { return true; }
  void viewDidAppear() override { didAppear_(); }
  void setFrame(Rect frame) override {
    View::setFrame(frame);
    setNeedsLayout(true);
  }
  void layout() override {
    double w = frame().width();
    double h = frame().height();
    tabBar_->setFrame(Rect(0, 0, w, kTabBarHeight));
    for (const auto& pane : panes_) pane->setFrame(Rect(0, kTabBarHeight, w, h - kTabBarHeight));
    tabBar_->setNeedsLayout(true);
    for (const auto& pane : panes_) pane->setNeedsLayout(true);
  }

 private:
  std::shared_ptr<platform::View> tabBar_;
  std::vector<std::shared_ptr<platform::View>> panes_;
  std::function<void()> didAppear_;
};

// At the window's width, where the pane's text wraps.
double wantedHeight(const platform::View& pane) {
  if (auto* scroll = dynamic_cast<const platform::ScrollView*>(&pane)) {
    if (auto document = scroll->documentView()) {
      const double scroller =
          scroll->hasVerticalScroller() ? platform::ScrollView::kScrollerWidth : 0;
      return document->heightForWidth(VGXSettingsLayout::width - scroller);
    }
  }
  return pane.heightForWidth(VGXSettingsLayout::width);
}

}  // namespace

std::shared_ptr<DZLSettingsWindow> DZLSettingsWindow::make(Inputs inputs) {
  auto window = std::make_shared<DZLSettingsWindow>(std::move(inputs));
  window->durations_.setWindow(window);
  window->general_.setWindow(window);
  return window;
}

DZLSettingsWindow::DZLSettingsWindow(Inputs inputs)
    : platform::Window(Rect(0, 0, VGXSettingsLayout::width, VGXSettingsLayout::minHeight),
                       platform::WindowStyle::Titled | platform::WindowStyle::Closable |
                           platform::WindowStyle::Miniaturizable |
                           platform::WindowStyle::Resizable),
      quit_(std::move(inputs.quit)),
      selection_(inputs.defaults),
      general_(inputs.defaults, inputs.loginItem, inputs.shortcuts,
               std::move(inputs.commandLineCommand), std::move(inputs.generalActions)),
      durations_(inputs.durations, inputs.defaults),
      triggersContent_(std::move(inputs.triggersPane)) {
  setStandardWindowButtonHidden(platform::WindowButton::Zoom, true);
  if (triggersContent_) {
    triggers_ = triggersContent_->paneView();
  } else {
    auto triggers = platform::StackView::make(
        platform::StackView::Orientation::Vertical,
        {platform::TextField::labelWithString("Triggers settings are not available yet.")});
    triggers->setEdgeInsets({20, 30, 20, 30});
    triggers_ = triggers;
  }
  panes_ = {general_.view(), durations_.view(), triggers_};

  auto bar = platform::StackView::make(platform::StackView::Orientation::Horizontal, {});
  bar->setEdgeInsets({8, 20, 8, 20});
  for (std::size_t i = 0; i < std::size(kTabTitles); ++i) {
    auto tab = platform::Button::withTitle(kTabTitles[i]);
    tab->setAction([this, i](platform::Control&) { selectPaneAtIndex(i); });
    bar->addArrangedSubview(tab);
    tabs_.push_back(tab);
  }
  tabBar_ = bar;
  setContentView(
      std::make_shared<SettingsContentView>(tabBar_, panes_, [this] { contentDidAppear(); }));

  applyReduceMotionIfNeeded();
  center();
  // Where the user left it, fitted onto a screen that is there now.
  setFrameAutosaveName(kVGXPreferencesWindowAutosaveName);
  selection_.restoreLastPane();
  showSelectedPane();

  selectObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXSelectSettingsPaneNotification, nullptr, nullptr,
      [this](const platform::Notification& note) {
        if (selection_.selectPaneFromUserInfo(note.userInfo)) showSelectedPane();
      });
}

bool DZLSettingsWindow::selectPaneWithIdentifier(const std::string& identifier) {
  if (!selection_.selectPaneWithIdentifier(identifier)) return false;
  showSelectedPane();
  return true;
}

bool DZLSettingsWindow::selectPaneAtIndex(std::size_t index) {
  if (!selection_.selectPaneAtIndex(index)) return false;
  showSelectedPane();
  return true;
}

const std::shared_ptr<platform::View>& DZLSettingsWindow::selectedPaneView() const {
  return panes_[selection_.selectedIndex()];
}

void DZLSettingsWindow::showSelectedPane() {
  std::size_t selected = selection_.selectedIndex();
  for (std::size_t i = 0; i < panes_.size(); ++i) {
    panes_[i]->setHidden(i != selected);
    tabs_[i]->setFont(platform::Font::systemFont(
        platform::Font::systemFontSize(),
        i == selected ? platform::Font::Weight::Bold : platform::Font::Weight::Regular));
  }
  if (selected == 0 && isVisible()) general_.paneDidAppear();
  if (selected == 0 && !isVisible()) general_.refresh();
  if (selected == 1) durations_.reload();
  if (triggersContent_) {
    if (selected == 2 && isVisible()) {
      triggersContent_->paneDidAppear();
    } else {
      triggersContent_->paneDidDisappear();
    }
  }
  setTitle(kTabTitles[selected]);
  double height = VGXSettingsLayout::clampedHeight(wantedHeight(*panes_[selected]) + kTabBarHeight,
                                                   screenVisibleFrame().height());
  // The desktop has no notice of the option changing: it is read at each switch.
  applyReduceMotionIfNeeded();
  setContentSize(Size{VGXSettingsLayout::width, height}, isVisible());
  contentView()->setNeedsLayout(true);
  layoutIfNeeded();
}

void DZLSettingsWindow::applyReduceMotionIfNeeded() {
  if (platform::ReduceMotion::current().isOn()) {
    setAnimationBehavior(platform::WindowAnimationBehavior::None);
  }
}

void DZLSettingsWindow::contentDidAppear() {
  if (triggersContent_ && selection_.selectedIndex() == 2) triggersContent_->paneDidAppear();
  // After the window is on screen and key, so a sheet goes on top of it.
  platform::DispatchQueue::main().async([weak = weak_from_this()] {
    auto window = std::static_pointer_cast<DZLSettingsWindow>(weak.lock());
    if (window && window->selection_.selectedIndex() == 0) window->general_.paneDidAppear();
  });
}

void DZLSettingsWindow::keyDown(const platform::Event& event) {
  std::uint64_t modifiers =
      event.modifierFlags & platform::ModifierFlags::DeviceIndependentShortcutMask;
  if (modifiers == platform::ModifierFlags::Control && event.characters == "q") {
    if (quit_) quit_();
    return;
  }
  if (modifiers == platform::ModifierFlags::Control && event.characters == "w") {
    close();
    return;
  }
  platform::Window::keyDown(event);
}

}  // namespace vigilix
