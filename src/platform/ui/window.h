#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/geometry.h"
#include "platform/ui/modal_response.h"
#include "platform/ui/responder.h"

namespace vigilix::platform {

class View;
class Button;
class Window;

namespace WindowStyle {
inline constexpr unsigned Borderless = 0;
inline constexpr unsigned Titled = 1 << 0;
inline constexpr unsigned Closable = 1 << 1;
inline constexpr unsigned Miniaturizable = 1 << 2;
inline constexpr unsigned Resizable = 1 << 3;
}  // namespace WindowStyle

enum class WindowButton { Close, Miniaturize, Zoom };

// Whether the window's own changes may be animated.
enum class WindowAnimationBehavior { Default, None };

class WindowDelegate {
 public:
  virtual ~WindowDelegate() = default;
  virtual void windowWillClose(Window& window) { (void)window; }
};

// A window with a content view, a first responder, a key-view loop and a
// default button. The screens are the desktop's once a renderer can tell
// them, else a fixed model (1440 x 900, menu bar 25).
//
// Sheets: a window carries at most one sheet at a time; a sheet begun while
// another is attached waits until that one ends. The sheet is ordered front
// and made key with its sheetParent() already set, so an observer of shown
// windows can tell a sheet from a window; the parent takes no events while
// it carries a sheet (window-modal). No nested loop runs: the completion
// hears the response when the sheet ends.
class Window : public Responder, public std::enable_shared_from_this<Window> {
 public:
  static constexpr double kTitleBarHeight = 28;
  // The main screen's visible part; the first of screenVisibleFrames().
  static Rect screenVisibleFrame() { return screenVisibleFrames().front(); }
  // Every screen's visible part, the main one first; never empty.
  static std::vector<Rect> screenVisibleFrames();
  // Tests: these screens whatever the desktop has (empty: the desktop's again).
  static void setScreenVisibleFrames(std::vector<Rect> frames);
  // The main screen's full height in the fixed model.
  static constexpr double kModelScreenHeight = 900;

  Window(Rect contentRect, unsigned styleMask);
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  unsigned styleMask() const { return styleMask_; }
  const std::string& title() const { return title_; }
  void setTitle(const std::string& title);

  // The frame on the screen, title bar included.
  Rect frame() const { return frame_; }
  Rect contentRect() const;
  // The frame around `content`: the title bar on top.
  Rect frameRectForContentRect(Rect content) const;
  // Moves and sizes the window (as the user's drag and resize do), kept under
  // the autosave name.
  void setFrame(Rect frame);
  // Whether the frame was placed on purpose: taken from the kept frame, or
  // moved since. Otherwise the desktop places the window.
  bool hasPlacedFrame() const { return framePlaced_; }
  void setContentSize(Size size);
  // The same, shown as an animation when `animate` and the window's
  // animation behaviour allows it.
  void setContentSize(Size size, bool animate);
  WindowAnimationBehavior animationBehavior() const { return animationBehavior_; }
  void setAnimationBehavior(WindowAnimationBehavior behavior) { animationBehavior_ = behavior; }
  // Whether the last change of size is to be animated.
  bool animatesResize() const { return animatesResize_; }
  void center();
  // Moves the window (as the user's drag does); the size stays.
  void setFrameOrigin(Point origin);

  // The name the frame is kept under between runs, in the user defaults.
  const std::string& frameAutosaveName() const { return frameAutosaveName_; }
  // Takes `name` and moves the window to the frame kept under it, fitted
  // onto a screen; every later move or resize is kept. False, and nothing
  // changes, when another window has the name. A kept frame that cannot be
  // read is logged and left alone.
  bool setFrameAutosaveName(const std::string& name);
  // The windows that carry `name`, for finding a window by it.
  static std::vector<Window*> windowsWithFrameAutosaveName(const std::string& name);
  // The defaults key a frame is kept under, and its text: the frame, then
  // the visible part of the screen it was on ("x y w h sx sy sw sh ").
  static std::string frameDefaultsKey(const std::string& name);
  static std::string frameDescriptor(Rect frame, Rect screen);
  // A frame text back, needing at least the first four numbers; none when
  // it is damaged or the size is not positive.
  static std::optional<Rect> frameFromDescriptor(const std::string& text);
  // `frame` moved (and shrunk where it must be) onto the screen it overlaps
  // most, else the main screen.
  static Rect fittedOnScreen(Rect frame, const std::vector<Rect>& screens);

  std::shared_ptr<View> contentView() const { return contentView_; }
  // Replaces the content view, sized to the content rectangle.
  void setContentView(std::shared_ptr<View> view);

  bool isStandardWindowButtonHidden(WindowButton button) const;
  void setStandardWindowButtonHidden(WindowButton button, bool hidden);

  std::shared_ptr<WindowDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const std::shared_ptr<WindowDelegate>& delegate) { delegate_ = delegate; }

  bool isVisible() const { return visible_; }
  bool isKeyWindow() const;
  void makeKeyAndOrderFront();
  void orderFrontRegardless();
  void orderOut();
  // Closes the window: the delegate hears windowWillClose first.
  void close();
  // The close button: closes a closable window.
  void performClose();

  // The first responder: a view of this window, or the window itself.
  Responder* firstResponder() const;
  bool makeFirstResponder(View* view);
  std::shared_ptr<View> initialFirstResponder() const { return initialFirstResponder_.lock(); }
  void setInitialFirstResponder(const std::shared_ptr<View>& view) {
    initialFirstResponder_ = view;
  }
  // Tab and Shift-Tab: along the views' own key-view loop where they set
  // one, otherwise through the views that take keys in reading order,
  // round the window. The view reached is scrolled into sight.
  void selectNextKeyView();
  void selectPreviousKeyView();

  std::shared_ptr<Button> defaultButton() const { return defaultButton_.lock(); }
  void setDefaultButton(const std::shared_ptr<Button>& button) { defaultButton_ = button; }

  // Delivers an event as the platform does: a key goes first to the default
  // button (Return) and the key equivalents of the window's views, then to
  // the first responder; a mouse press goes to the view under it, which
  // also receives the drags and the release that follow.
  void sendEvent(const Event& event);

  void layoutIfNeeded();

  using SheetCompletion = std::function<void(ModalResponse)>;
  // Attaches `sheet` to this window (or queues it behind the attached one).
  // A sheet that is already attached anywhere, or this window itself, is
  // refused (returns false) and its completion never runs.
  bool beginSheet(const std::shared_ptr<Window>& sheet, SheetCompletion completion = {});
  // Ends `sheet` if this window carries it (or drops it from the queue):
  // the sheet is ordered out, this window becomes key again, the completion
  // runs with `response`, then a queued sheet begins. Otherwise nothing.
  void endSheet(const Window& sheet, ModalResponse response = ModalResponse::Stop);
  std::shared_ptr<Window> attachedSheet() const { return attachedSheet_; }
  // The window this one is a sheet of (attached or queued), else nullptr.
  Window* sheetParent() const { return sheetParent_; }
  // False while the window carries a sheet or another window is
  // application-modal.
  bool acceptsEvents() const;

  // End of the responder chain: Tab and Shift-Tab move through the loop.
  void keyDown(const Event& event) override;

 private:
  struct PendingSheet {
    std::shared_ptr<Window> sheet;
    SheetCompletion completion;
  };
  void attach(PendingSheet pending);
  // The view after (or before) `from` among those that take keys, in
  // reading order; the first (or last) when `from` is none of them.
  View* keyViewInReadingOrder(const View* from, bool forward) const;
  void focusKeyView(View* view);
  void saveFrame() const;
  static void registerLiveWindow(Window* window);
  static void unregisterLiveWindow(Window* window);
  // Lays out and tells the content view when the window comes on screen.
  void orderFront();

  unsigned styleMask_;
  std::string title_;
  std::string frameAutosaveName_;
  Rect frame_;
  bool framePlaced_ = false;
  WindowAnimationBehavior animationBehavior_ = WindowAnimationBehavior::Default;
  bool animatesResize_ = false;
  std::shared_ptr<View> contentView_;
  bool buttonHidden_[3] = {false, false, false};
  std::weak_ptr<WindowDelegate> delegate_;
  bool visible_ = false;
  std::weak_ptr<View> firstResponder_;
  std::weak_ptr<View> initialFirstResponder_;
  std::weak_ptr<Button> defaultButton_;
  std::weak_ptr<View> mouseTarget_;
  std::shared_ptr<Window> attachedSheet_;
  SheetCompletion sheetCompletion_;
  std::deque<PendingSheet> queuedSheets_;
  Window* sheetParent_ = nullptr;
};

}  // namespace vigilix::platform
