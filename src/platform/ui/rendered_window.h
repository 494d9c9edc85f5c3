#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/date.h"
#include "platform/ui/accessibility.h"
#include "platform/ui/color.h"
#include "platform/ui/drawing.h"
#include "platform/ui/event.h"
#include "platform/ui/font.h"
#include "platform/ui/geometry.h"

namespace vigilix::platform {

class DescriptorSources;
class DispatchQueue;

// What a renderer shows of a model window: plain values only, so a renderer
// built as a separate module needs none of the model's code. Frames are in
// the window's content area with the origin at the TOP left (screen style).
struct RenderedView {
  enum class Kind {
    Button,
    CheckBox,
    TextField,
    Label,
    Image,
    Stepper,
    DatePicker,
    Drawn,
    Table,
    ScrollBar,
  };

  std::uint64_t id = 0;  // stable while the model view lives
  Kind kind = Kind::Label;
  Rect frame;
  std::string text;        // title, value, label text or an image's symbol name
  bool themeIcon = false;  // images: `text` names an icon-theme icon or an icon file
  Font font = Font::systemFont(Font::systemFontSize());
  Color textColor = Color::label();
  bool enabled = true;
  bool focused = false;
  bool isDefault = false;   // the window's default button
  bool bordered = true;     // buttons: a borderless one shows its title flat
  bool checked = false;     // check boxes
  int maximumLines = 1;     // labels: 0 = wrap freely
  bool selectable = false;  // labels whose text may be selected and copied
  // The part of the frame that shows, when a scrolling view cuts it.
  std::optional<Rect> clip;
  // Text fields being edited: the selection, in bytes of `text`.
  std::size_t selectionStart = 0;
  std::size_t selectionLength = 0;
  Date date;  // date pickers
  std::optional<Date> minDate;
  // Tables: the cells row by row, the rows in the semibold weight, the
  // selected row and the height of every row.
  std::vector<std::vector<std::string>> cells;
  std::vector<bool> emphasizedRows;
  std::optional<std::size_t> selectedRow;
  double rowHeight = 0;
  // Scroll bars (a scrolling view's scroller): how far it is scrolled, the
  // farthest it goes and the part that shows, in points.
  double scrollOffset = 0;
  double scrollMaximum = 0;
  double scrollPage = 0;
  // Drawn views: the commands in the view's own coordinates, y up unless
  // `flipped`.
  std::vector<DrawCommand> drawing;
  bool flipped = false;
  AccessibilityRole role = AccessibilityRole::Unknown;
  std::string accessibilityLabel;
  bool operator==(const RenderedView&) const = default;
};

// A question to the renderer: the size a view of `kind` needs to show `text`
// in `font` as the toolkit draws it. A label that `wraps` breaks its lines
// at `wrapWidth`. For a table the answer is the width its frame takes on
// both sides together and the height of one row.
struct TextMeasure {
  RenderedView::Kind kind = RenderedView::Kind::Label;
  std::string text;
  Font font = Font::systemFont(Font::systemFontSize());
  bool wraps = false;
  double wrapWidth = 0;
  bool bordered = true;  // buttons
};

// What an open panel lets the user pick, and where it starts.
struct FileChoice {
  std::string directory;  // empty: the toolkit's choice
  bool files = true;
  bool directories = false;
  bool multiple = false;
  bool operator==(const FileChoice&) const = default;
};

struct RenderedWindow {
  // An open panel has no views: the renderer shows its own file dialog.
  enum class Kind { Panel, Sheet, Alert, OpenPanel };

  std::uint64_t id = 0;
  Kind kind = Kind::Panel;
  std::uint64_t parentId = 0;  // the window a sheet (or sheet alert) belongs to
  std::string title;
  Size contentSize;
  // A change to contentSize is shown as a short resize animation.
  bool animateResize = false;
  bool closable = false;
  bool key = false;
  // Panels the model has placed (a kept frame, or moved since): the top left
  // corner of the frame on the desktop, where the window opens. Otherwise the
  // desktop places it.
  std::optional<Point> origin;
  std::vector<RenderedView> views;  // back to front
  FileChoice fileChoice;            // open panels
  bool operator==(const RenderedWindow&) const = default;
};

// One row of a menu the renderer pops up. Rows with no id are lines that
// cannot be chosen.
struct RenderedMenuItem {
  std::uint64_t id = 0;
  std::string title;
  bool separator = false;
  bool enabled = true;
  bool checkable = false;
  bool checked = false;
  bool hasSubmenu = false;
  std::vector<RenderedMenuItem> submenu;
  bool operator==(const RenderedMenuItem&) const = default;
};

struct RenderedMenu {
  std::uint64_t id = 0;
  std::vector<RenderedMenuItem> items;
  bool operator==(const RenderedMenu&) const = default;
};

// The user's input as the renderer saw it, sent back into the models. Mouse
// locations are in RenderedWindow coordinates (top left origin).
class WindowInput {
 public:
  virtual ~WindowInput() = default;
  virtual void mouseDown(std::uint64_t window, Point location) = 0;
  virtual void mouseUp(std::uint64_t window, Point location) = 0;
  virtual void keyDown(std::uint64_t window, const Event& key) = 0;
  // The wheel over the window: `deltaY` points to scroll down (negative: up).
  virtual void scrollWheel(std::uint64_t window, Point location, double deltaY) = 0;
  // The close button of the window's frame.
  virtual void closeButton(std::uint64_t window) = 0;
  // The user set a date picker's elements.
  virtual void chooseDate(std::uint64_t window, std::uint64_t view, Date date) = 0;
  // The user clicked a table's row.
  virtual void chooseRow(std::uint64_t window, std::uint64_t view, std::size_t row) = 0;
  // The user moved a scroll bar: its scrolling view is `offset` points down.
  virtual void scrollTo(std::uint64_t window, std::uint64_t view, double offset) = 0;
  // The user confirmed these paths in an open panel (a cancel comes as the
  // close button).
  virtual void chooseFiles(std::uint64_t window, std::vector<std::string> paths) = 0;
  // Files dropped on the window, as local paths.
  virtual void dropFiles(std::uint64_t window, Point location, std::vector<std::string> paths) = 0;
  // The shown window was moved or resized (by the user or the window
  // manager): its frame's top left corner on the desktop and its content size.
  virtual void frameChanged(std::uint64_t window, Point topLeft, Size contentSize) = 0;
  // The user chose a row of a popped up menu; the menu closes after.
  virtual void chooseMenuItem(std::uint64_t menu, std::uint64_t item) = 0;
  // A popped up menu closed, chosen from or not.
  virtual void menuDidClose(std::uint64_t menu) = 0;
};

// The desktop's screens in desktop coordinates (top left origin).
struct RenderedScreens {
  double mainScreenBottom = 0;  // the main screen's lower edge
  std::vector<Rect> visible;    // each screen's part free of panels, the main one first
  bool operator==(const RenderedScreens&) const = default;
};

// Shows rendered windows. Main thread only. The renderer waits on `sources`
// while it has windows and defers clean-up work to `mainQueue`; these and
// `input` outlive it.
class WindowRenderer {
 public:
  virtual ~WindowRenderer() = default;
  // Shows the window, or brings its widgets up to date when shown already.
  virtual void show(const RenderedWindow& window) = 0;
  virtual void close(std::uint64_t window) = 0;
  // The screens windows are shown on; none when the renderer cannot tell.
  virtual RenderedScreens screens() const { return {}; }
  // What `measure` needs; none when the renderer cannot tell.
  virtual std::optional<Size> sizeThatFits(const TextMeasure& measure) {
    (void)measure;
    return std::nullopt;
  }
  // Pops up `menu` with its top left corner at `at` on the desktop, else at
  // the pointer; false when it cannot.
  virtual bool popUpMenu(const RenderedMenu& menu, std::optional<Point> at) {
    (void)menu;
    (void)at;
    return false;
  }
  // Puts plain text on the desktop's clipboard; false when it cannot.
  virtual bool copyText(const std::string& text) {
    (void)text;
    return false;
  }
  // Nothing is shown: lets go of what showing took (the toolkit's connection to the screen,
  // its threads and its memory), after which the renderer is only destroyed. False, having
  // let go of nothing, while something still needs it (its text on the clipboard).
  virtual bool release() { return true; }
};

// The entry point a renderer module exports (C linkage, under this name).
// nullptr when no screen can be reached.
using WindowRendererFactory = WindowRenderer* (*)(WindowInput& input, DescriptorSources& sources,
                                                  DispatchQueue& mainQueue);
inline constexpr const char* kWindowRendererFactorySymbol = "vigilix_make_window_renderer";

}  // namespace vigilix::platform
