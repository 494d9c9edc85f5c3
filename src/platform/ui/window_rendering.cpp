#include "platform/ui/window_rendering.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "platform/base/logger.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/ui/alert.h"
#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/clean_file_pages.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/file_drop.h"
#include "platform/ui/image.h"
#include "platform/ui/menu.h"
#include "platform/ui/open_panel.h"
#include "platform/ui/screen_placement.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/stepper.h"
#include "platform/ui/table_view.h"
#include "platform/ui/text_field.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger{"Windows"};
  return logger;
}

// Sends what the renderer saw back through the models' own event paths.
class ModelInput final : public WindowInput {
 public:
  void mouseDown(std::uint64_t window, Point location) override {
    mouse(window, Event::Type::LeftMouseDown, location);
  }
  void mouseUp(std::uint64_t window, Point location) override {
    mouse(window, Event::Type::LeftMouseUp, location);
  }
  void keyDown(std::uint64_t window, const Event& key) override {
    if (auto model = find(window)) deliver(model, [&] { model->sendEvent(key); });
  }
  void scrollWheel(std::uint64_t window, Point topLeft, double deltaY) override;
  void closeButton(std::uint64_t window) override {
    if (auto model = find(window)) deliver(model, [&] { model->performClose(); });
  }
  void chooseDate(std::uint64_t window, std::uint64_t view, Date date) override;
  void chooseRow(std::uint64_t window, std::uint64_t view, std::size_t row) override;
  void scrollTo(std::uint64_t window, std::uint64_t view, double offset) override;
  void chooseFiles(std::uint64_t window, std::vector<std::string> paths) override {
    auto panel = std::dynamic_pointer_cast<OpenPanel>(find(window));
    if (panel) panel->choose(std::move(paths));
  }
  void dropFiles(std::uint64_t window, Point topLeft, std::vector<std::string> paths) override {
    auto model = find(window);
    if (!model) return;
    Point location{topLeft.x, model->contentRect().height() - topLeft.y};
    deliver(model, [&] { platform::dropFiles(*model, location, paths); });
  }
  void frameChanged(std::uint64_t window, Point topLeft, Size contentSize) override;
  void chooseMenuItem(std::uint64_t menu, std::uint64_t item) override;
  void menuDidClose(std::uint64_t menu) override;

 private:
  static std::shared_ptr<Window> find(std::uint64_t window);
  static void mouse(std::uint64_t window, Event::Type type, Point topLeft) {
    auto model = find(window);
    if (!model) return;
    Point location{topLeft.x, model->contentRect().height() - topLeft.y};
    deliver(model, [&] { model->sendEvent(Event::mouse(type, location)); });
  }
  template <typename F>
  static void deliver(const std::shared_ptr<Window>& model, F&& send) {
    send();
    WindowRendering::windowDidChange(*model);
    WindowRendering::flush();
  }
};

struct State {
  std::string modulePath;
  WindowRendererFactory factory = nullptr;
  bool loadFailed = false;
  void* module = nullptr;
  WindowRendererFactory moduleFactory = nullptr;
  // Counts the times nothing came to be shown, so that a release waits for the last.
  std::uint64_t idleGeneration = 0;
  ModelInput input;
  std::unique_ptr<WindowRenderer> renderer;
  std::map<std::uint64_t, std::weak_ptr<Window>> shown;
  std::set<std::uint64_t> dirty;
  bool flushScheduled = false;
  // The renderer's measurements, asked again and again while views lay out.
  std::unordered_map<std::string, Size> measured;
  // The menu popped up, and who hears it close.
  std::shared_ptr<Menu> poppedMenu;
  std::function<void()> poppedMenuClosed;
};

State& state() {
  static State* s = new State();  // outlives every window, also at exit
  return *s;
}

std::shared_ptr<Window> ModelInput::find(std::uint64_t window) {
  auto& shown = state().shown;
  auto it = shown.find(window);
  return it == shown.end() ? nullptr : it->second.lock();
}

View* findView(View& root, std::uint64_t id) {
  if (WindowRendering::idOf(&root) == id) return &root;
  for (const auto& child : root.subviews()) {
    if (View* found = findView(*child, id)) return found;
  }
  return nullptr;
}

void ModelInput::scrollWheel(std::uint64_t window, Point topLeft, double deltaY) {
  auto model = find(window);
  if (!model || !model->contentView() || !model->acceptsEvents()) return;
  Point location{topLeft.x, model->contentRect().height() - topLeft.y};
  View* hit = model->contentView()->hitTest(location);
  for (View* v = hit; v; v = v->superview()) {
    if (auto* scroll = dynamic_cast<ScrollView*>(v)) {
      deliver(model, [&] { scroll->scrollToVerticalOffset(scroll->verticalOffset() + deltaY); });
      return;
    }
  }
}

// The main screen's lower edge on the desktop, where the models' y is 0.
double mainScreenBottom() {
  auto& s = state();
  RenderedScreens screens = s.renderer ? s.renderer->screens() : RenderedScreens{};
  return screens.visible.empty() ? Window::kModelScreenHeight : screens.mainScreenBottom;
}

void ModelInput::frameChanged(std::uint64_t window, Point topLeft, Size contentSize) {
  auto model = find(window);
  if (!model) return;
  Rect frame = model->frameRectForContentRect(Rect(Point{}, contentSize));
  frame.origin = topLeft;
  deliver(model, [&] { model->setFrame(flippedScreenRect(frame, mainScreenBottom())); });
}

void ModelInput::chooseDate(std::uint64_t window, std::uint64_t view, Date date) {
  auto model = find(window);
  if (!model || !model->contentView() || !model->acceptsEvents()) return;
  auto* picker = dynamic_cast<DatePicker*>(findView(*model->contentView(), view));
  if (picker) deliver(model, [&] { picker->chooseDate(date); });
}

void ModelInput::chooseRow(std::uint64_t window, std::uint64_t view, std::size_t row) {
  auto model = find(window);
  if (!model || !model->contentView() || !model->acceptsEvents()) return;
  auto* table = dynamic_cast<TableView*>(findView(*model->contentView(), view));
  if (!table) return;
  deliver(model, [&] {
    // A click gives the table the keys, as it gives any control.
    if (table->acceptsFirstResponder()) model->makeFirstResponder(table);
    table->chooseRow(row);
  });
}

MenuItem* findItem(const Menu& menu, std::uint64_t id) {
  for (const auto& item : menu.items()) {
    if (WindowRendering::idOf(item.get()) == id) return item.get();
    if (item->submenu()) {
      if (MenuItem* found = findItem(*item->submenu(), id)) return found;
    }
  }
  return nullptr;
}

void ModelInput::chooseMenuItem(std::uint64_t menu, std::uint64_t item) {
  auto& s = state();
  if (!s.poppedMenu || WindowRendering::idOf(s.poppedMenu.get()) != menu) return;
  if (MenuItem* chosen = findItem(*s.poppedMenu, item)) chosen->performAction();
}

void releaseWhenNothingShown();

void ModelInput::menuDidClose(std::uint64_t menu) {
  auto& s = state();
  if (!s.poppedMenu || WindowRendering::idOf(s.poppedMenu.get()) != menu) return;
  s.poppedMenu.reset();
  if (auto closed = std::exchange(s.poppedMenuClosed, nullptr)) closed();
  releaseWhenNothingShown();
}

// The rows as a tray shows them: alternates and hidden rows left out, an
// item's detail lines under it.
std::vector<RenderedMenuItem> renderMenu(const Menu& menu) {
  std::vector<RenderedMenuItem> rows;
  for (const auto& item : menu.items()) {
    if (item->isHidden() || item->isAlternate()) continue;
    RenderedMenuItem row;
    row.id = WindowRendering::idOf(item.get());
    row.separator = item->isSeparatorItem();
    row.title = item->title();
    if (row.title.empty()) {
      for (const TitleRun& run : item->attributedTitle()) row.title += run.text;
    }
    row.enabled = item->isEnabled();
    row.checkable = item->isCheckable() || item->state() != ControlStateValue::Off;
    row.checked = item->state() == ControlStateValue::On;
    if (item->submenu()) {
      item->submenu()->menuWillOpen();
      row.hasSubmenu = true;
      row.submenu = renderMenu(*item->submenu());
    }
    rows.push_back(std::move(row));
    for (const std::string& line : item->detailLines()) {
      RenderedMenuItem detail;
      detail.title = line;
      detail.enabled = false;
      rows.push_back(std::move(detail));
    }
  }
  return rows;
}

void ModelInput::scrollTo(std::uint64_t window, std::uint64_t view, double offset) {
  auto model = find(window);
  if (!model || !model->contentView() || !model->acceptsEvents()) return;
  auto* scroll = dynamic_cast<ScrollView*>(findView(*model->contentView(), view));
  if (scroll) deliver(model, [&] { scroll->scrollToVerticalOffset(offset); });
}

bool canReachScreen() {
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

void refuseWindows() {
  auto& s = state();
  s.loadFailed = true;
  log().error("No windows can be shown: there is no display to show them on.");
}

WindowRendererFactory moduleFactory() {
  auto& s = state();
  if (s.moduleFactory || s.modulePath.empty() || s.loadFailed) return s.moduleFactory;
  // Without a screen the toolkit would be mapped for nothing.
  if (!canReachScreen()) {
    refuseWindows();
    return nullptr;
  }
  s.module = dlopen(s.modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (s.module) {
    s.moduleFactory =
        reinterpret_cast<WindowRendererFactory>(dlsym(s.module, kWindowRendererFactorySymbol));
  }
  if (!s.moduleFactory) {
    s.loadFailed = true;
    log().error("No windows can be shown: the renderer {} did not load ({}).", s.modulePath,
                dlerror());
  }
  return s.moduleFactory;
}

bool makeRenderer() {
  auto& s = state();
  if (s.renderer) return true;
  const WindowRendererFactory factory = s.factory ? s.factory : moduleFactory();
  if (!factory) return false;
  s.measured.clear();
  s.renderer.reset(factory(s.input, DescriptorSources::main(), DispatchQueue::main()));
  if (!s.renderer && !s.loadFailed) refuseWindows();
  if (s.renderer && s.module) log().info("Windows are shown by {}", s.modulePath);
  return s.renderer != nullptr;
}

// Once nothing has been shown for a while, the renderer lets go of what showing took, and
// the freed heap goes back. So do the clean pages of mapped files, the toolkit's and those
// that windows touched in the program and its other libraries: the toolkit runs no more, so
// nothing touches its pages until a window comes again, and what idling touches comes back.
void releaseWhenNothingShown() {
  auto& s = state();
  if (!s.shown.empty() || s.poppedMenu || !s.renderer) return;
  const std::uint64_t generation = ++s.idleGeneration;
  DispatchQueue::main().asyncAfter(WindowRendering::kReleaseDelaySeconds, [generation] {
    auto& s = state();
    if (generation != s.idleGeneration || !s.shown.empty() || s.poppedMenu || !s.renderer) return;
    if (!s.renderer->release()) return;
    s.renderer.reset();
    ::malloc_trim(0);
    if (!s.module) return;
    const std::size_t dropped = dropCleanFilePages();
    log().debug("Nothing is shown: let go of the toolkit, and of {} KiB of files' pages",
                dropped / 1024);
  });
}

void scheduleFlush() {
  auto& s = state();
  if (s.flushScheduled) return;
  s.flushScheduled = true;
  DispatchQueue::main().async([] {
    state().flushScheduled = false;
    WindowRendering::flush();
  });
}

Rect topLeftFrame(const View& view, double contentHeight) {
  Point a = view.convertPointToView(Point{0, 0}, nullptr);
  Point b = view.convertPointToView(Point{view.frame().width(), view.frame().height()}, nullptr);
  return Rect(std::min(a.x, b.x), contentHeight - std::max(a.y, b.y), std::abs(b.x - a.x),
              std::abs(b.y - a.y));
}

std::optional<Rect> intersection(const Rect& a, const Rect& b) {
  double minX = std::max(a.minX(), b.minX());
  double minY = std::max(a.minY(), b.minY());
  double maxX = std::min(a.maxX(), b.maxX());
  double maxY = std::min(a.maxY(), b.maxY());
  if (maxX <= minX || maxY <= minY) return std::nullopt;
  return Rect(minX, minY, maxX - minX, maxY - minY);
}

void renderViews(View& view, const Window& window, double contentHeight, std::optional<Rect> clip,
                 std::vector<RenderedView>& out) {
  if (view.isHidden()) return;
  RenderedView r;
  r.id = WindowRendering::idOf(&view);
  r.frame = topLeftFrame(view, contentHeight);
  const Rect viewFrame = r.frame;
  if (clip) {
    auto visible = intersection(r.frame, *clip);
    if (!visible) return;  // scrolled out of sight, and so is all it holds
    if (!(*visible == r.frame)) r.clip = visible;
  }
  r.role = view.accessibilityRole();
  r.accessibilityLabel = view.accessibilityLabel().value_or("");
  r.focused = window.firstResponder() == &view;
  bool rendered = true;
  auto* control = dynamic_cast<Control*>(&view);
  if (control) {
    r.enabled = control->isEnabled();
    r.font = control->font();
  }
  if (auto* box = dynamic_cast<CheckBox*>(&view)) {
    r.kind = RenderedView::Kind::CheckBox;
    r.text = box->title();
    r.checked = box->state() == ControlStateValue::On;
  } else if (auto* button = dynamic_cast<Button*>(&view)) {
    r.kind = RenderedView::Kind::Button;
    r.text = button->title();
    r.isDefault = window.defaultButton().get() == button;
    r.bordered = button->isBordered();
  } else if (auto* field = dynamic_cast<TextField*>(&view)) {
    r.kind = field->isEditable() ? RenderedView::Kind::TextField : RenderedView::Kind::Label;
    r.text = field->stringValue();
    r.textColor = field->textColor();
    r.maximumLines = field->maximumNumberOfLines();
    r.selectable = !field->isEditable() && field->isSelectable();
    if (FieldEditor* editor = field->currentEditor()) {
      r.selectionStart = editor->selectedRange().location;
      r.selectionLength = editor->selectedRange().length;
    }
  } else if (auto* image = dynamic_cast<ImageView*>(&view)) {
    r.kind = RenderedView::Kind::Image;
    r.text = image->image() ? image->image()->symbolName() : "";
    r.themeIcon = image->image() && image->image()->isThemeIcon();
    r.textColor = image->contentTintColor().value_or(Color::label());
  } else if (auto* stepper = dynamic_cast<Stepper*>(&view)) {
    r.kind = RenderedView::Kind::Stepper;
    r.text = stepper->stringValue();
  } else if (auto* table = dynamic_cast<TableView*>(&view)) {
    r.kind = RenderedView::Kind::Table;
    for (const TableView::Row& row : table->rows()) {
      r.cells.push_back(row.cells);
      r.emphasizedRows.push_back(row.emphasized);
    }
    r.selectedRow = table->selectedRow();
    r.rowHeight = table->rowHeight();
  } else if (auto* scroll = dynamic_cast<ScrollView*>(&view)) {
    // Its scroller, at its trailing edge, while there is more than shows.
    r.kind = RenderedView::Kind::ScrollBar;
    r.frame = Rect(r.frame.maxX() - ScrollView::kScrollerWidth, r.frame.minY(),
                   ScrollView::kScrollerWidth, r.frame.height());
    r.clip.reset();
    r.scrollOffset = scroll->verticalOffset();
    r.scrollMaximum = scroll->maximumVerticalOffset();
    r.scrollPage = scroll->frame().height();
    rendered = scroll->hasVerticalScroller() && r.scrollMaximum > 0;
  } else if (auto* picker = dynamic_cast<DatePicker*>(&view)) {
    r.kind = RenderedView::Kind::DatePicker;
    r.date = picker->dateValue();
    r.minDate = picker->minDate();
  } else {
    r.kind = RenderedView::Kind::Drawn;
    r.drawing = view.display().commands();
    r.flipped = view.isFlipped();
    rendered = !r.drawing.empty();
  }
  if (rendered) out.push_back(std::move(r));
  if (dynamic_cast<ScrollView*>(&view)) clip = clip ? intersection(*clip, viewFrame) : viewFrame;
  for (const auto& child : std::vector(view.subviews())) {
    renderViews(*child, window, contentHeight, clip, out);
  }
}

}  // namespace

void WindowRendering::loadModuleOnFirstWindow(std::string modulePath) {
  state().modulePath = std::move(modulePath);
}

bool WindowRendering::copyText(const std::string& text) {
  if (!makeRenderer()) return false;
  const bool copied = state().renderer->copyText(text);
  releaseWhenNothingShown();
  return copied;
}

void WindowRendering::prepare() { makeRenderer(); }

bool WindowRendering::popUpMenu(std::shared_ptr<Menu> menu, std::optional<Point> at,
                                std::function<void()> didClose) {
  if (!menu || !makeRenderer()) return false;
  auto& s = state();
  // One popped up menu at a time: an earlier one is over.
  if (s.poppedMenu) s.input.menuDidClose(idOf(s.poppedMenu.get()));
  menu->menuWillOpen();
  RenderedMenu rendered{idOf(menu.get()), renderMenu(*menu)};
  s.poppedMenu = std::move(menu);
  s.poppedMenuClosed = std::move(didClose);
  if (s.renderer->popUpMenu(rendered, at)) return true;
  s.poppedMenu.reset();
  s.poppedMenuClosed = nullptr;
  return false;
}

std::optional<Size> WindowRendering::measuredSize(const TextMeasure& measure) {
  auto& s = state();
  if (!s.renderer) return std::nullopt;
  const Font& font = measure.font;
  std::string key =
      std::to_string(static_cast<int>(measure.kind)) + (measure.bordered ? "b" : "-") +
      std::to_string(font.pointSize()) + "/" + std::to_string(static_cast<int>(font.weight())) +
      (font.hasMonospacedDigits() ? "m" : "-") +
      (measure.wraps ? std::to_string(measure.wrapWidth) : std::string("-")) + "|" + measure.text;
  if (auto it = s.measured.find(key); it != s.measured.end()) return it->second;
  auto size = s.renderer->sizeThatFits(measure);
  // Texts that change with the time (a live line) would add up over a long session.
  if (s.measured.size() >= 4096) s.measured.clear();
  if (size) s.measured.emplace(std::move(key), *size);
  return size;
}

std::vector<Rect> WindowRendering::screenVisibleFrames() {
  std::vector<Rect> frames;
  if (!makeRenderer()) return frames;
  RenderedScreens screens = state().renderer->screens();
  for (const Rect& visible : screens.visible) {
    frames.push_back(flippedScreenRect(visible, screens.mainScreenBottom));
  }
  releaseWhenNothingShown();
  return frames;
}

std::string WindowRendering::moduleBesideProgram() {
  std::error_code error;
  return moduleForProgram(std::filesystem::read_symlink("/proc/self/exe", error).string());
}

std::string WindowRendering::moduleForProgram(const std::string& program) {
  constexpr const char* kModule = "vigilix-qt-renderer.so";
  const std::filesystem::path folder = std::filesystem::path(program).parent_path();
  const std::filesystem::path beside = folder / kModule;
  std::error_code error;
  if (std::filesystem::exists(beside, error)) return beside.string();
  return (folder.parent_path() / "lib" / "vigilix" / kModule).string();
}

void WindowRendering::useFactory(WindowRendererFactory factory) { state().factory = factory; }

void WindowRendering::reset() {
  auto& s = state();
  s.renderer.reset();
  s.measured.clear();
  s.poppedMenu.reset();
  s.poppedMenuClosed = nullptr;
  s.shown.clear();
  s.dirty.clear();
  s.factory = nullptr;
  s.moduleFactory = nullptr;
  s.modulePath.clear();
  s.loadFailed = false;
  ++s.idleGeneration;
  // The module stays mapped: the toolkit it brought cannot be unloaded.
}

WindowRenderer* WindowRendering::renderer() { return state().renderer.get(); }

std::uint64_t WindowRendering::idOf(const void* object) {
  return reinterpret_cast<std::uintptr_t>(object);
}

void WindowRendering::windowDidShow(Window& window) {
  auto& s = state();
  if (!makeRenderer()) return;
  s.shown[idOf(&window)] = window.weak_from_this();
  s.dirty.erase(idOf(&window));
  log().debug("Showing the window \"{}\"", window.title());
  s.renderer->show(render(window));
}

void WindowRendering::windowDidClose(const Window* window) {
  auto& s = state();
  if (s.shown.erase(idOf(window)) == 0) return;
  s.dirty.erase(idOf(window));
  if (s.renderer) s.renderer->close(idOf(window));
  releaseWhenNothingShown();
}

void WindowRendering::windowDidChange(const Window& window) {
  auto& s = state();
  if (s.shown.empty() || !s.shown.contains(idOf(&window))) return;
  s.dirty.insert(idOf(&window));
  scheduleFlush();
}

void WindowRendering::viewDidChange(const View& view) {
  if (state().shown.empty()) return;
  if (const Window* window = view.window()) windowDidChange(*window);
}

void WindowRendering::flush() {
  auto& s = state();
  auto dirty = std::exchange(s.dirty, {});
  for (std::uint64_t id : dirty) {
    auto it = s.shown.find(id);
    if (it == s.shown.end()) continue;
    auto window = it->second.lock();
    if (window && s.renderer) s.renderer->show(render(*window));
  }
}

RenderedWindow WindowRendering::render(Window& window) {
  RenderedWindow r;
  r.id = idOf(&window);
  r.title = window.title();
  r.contentSize = window.contentRect().size;
  r.animateResize = window.animatesResize();
  r.closable = (window.styleMask() & WindowStyle::Closable) != 0;
  r.key = window.isKeyWindow();
  if (const Window* parent = window.sheetParent()) {
    r.kind = RenderedWindow::Kind::Sheet;
    r.parentId = idOf(parent);
  } else if (window.hasPlacedFrame()) {
    Rect frame = flippedScreenRect(window.frame(), mainScreenBottom());
    r.origin = frame.origin;
  }
  if (const auto* panel = dynamic_cast<const OpenPanel*>(&window)) {
    r.kind = RenderedWindow::Kind::OpenPanel;
    r.fileChoice = {panel->directory(), panel->canChooseFiles(), panel->canChooseDirectories(),
                    panel->allowsMultipleSelection()};
    return r;
  }
  window.layoutIfNeeded();
  auto content = window.contentView();
  if (dynamic_cast<const AlertContentView*>(content.get())) r.kind = RenderedWindow::Kind::Alert;
  if (content) renderViews(*content, window, r.contentSize.height, std::nullopt, r.views);
  return r;
}

}  // namespace vigilix::platform
