#include "platform/qt/qt_window_renderer.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/qt/drawn_view_widget.h"
#include "platform/qt/qt_style.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/ui/screen_placement.h"

namespace vigilix::platform {

namespace {

bool canReachScreen() {
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

void ensureApplication() {
  if (QCoreApplication::instance()) return;
  // Qt keeps argc and argv for the application's life, which is the process's.
  static int argc = 1;
  static char name[] = "vigilix";
  static char* argv[] = {name, nullptr};
  // Qt sets the process's C locale from the environment, which would change
  // how the rest of the program reads and writes numbers (strtod, printf).
  std::string locale = setlocale(LC_ALL, nullptr);
  new QApplication(argc, argv);  // ended by a renderer's release
  setlocale(LC_ALL, locale.c_str());
  // The name a window without a title of its own (an alert) is titled with,
  // and the class of every window; the desktop entry the desktop shows the
  // windows under (Wayland's application id).
  QCoreApplication::setApplicationName(QStringLiteral("Vigilix"));
  QGuiApplication::setDesktopFileName(QStringLiteral("run.tarvo.vigilix"));
  // Windows come and go with the models; the program ends on its own terms.
  QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace

struct QtWindowRenderer::Probes {
  QWidget parent;
  QLabel* label = new QLabel(&parent);
  QPushButton* button = new QPushButton(&parent);
  QCheckBox* box = new QCheckBox(&parent);
  QLineEdit* field = new QLineEdit(&parent);
  QDateTimeEdit* date = new QDateTimeEdit(&parent);
  QTableWidget* table = new QTableWidget(1, 1, &parent);
  Probes() {
    configureLabel(label);
    configureTable(table);
    table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Xg")));
  }
};

QtWindowRenderer::QtWindowRenderer(WindowInput& input, DescriptorSources& sources,
                                   DispatchQueue& mainQueue)
    : input_(input), sources_(sources), mainQueue_(mainQueue) {}

QtWindowRenderer::~QtWindowRenderer() {
  *alive_ = false;
  for (auto& [id, window] : windows_) delete window.data();
  for (auto& [id, dialog] : fileDialogs_) delete dialog.data();
  for (auto& widget : discarded_) delete widget.data();
}

RenderedWindowWidget* QtWindowRenderer::widgetFor(std::uint64_t window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.data();
}

QFileDialog* QtWindowRenderer::fileDialogFor(std::uint64_t window) const {
  auto it = fileDialogs_.find(window);
  return it == fileDialogs_.end() ? nullptr : it->second.data();
}

void QtWindowRenderer::showFileDialog(const RenderedWindow& window) {
  if (QFileDialog* shown = fileDialogFor(window.id)) {
    if (window.key) shown->activateWindow();
    return;
  }
  const FileChoice& choice = window.fileChoice;
  auto* dialog = new QFileDialog(nullptr, qtString(window.title), qtString(choice.directory));
  fileDialogs_[window.id] = dialog;
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  // Qt's dialog picks either files or folders: files win when both are allowed.
  if (!choice.files && choice.directories) {
    dialog->setFileMode(QFileDialog::Directory);
  } else {
    dialog->setFileMode(choice.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  }
  const std::uint64_t id = window.id;
  QObject::connect(dialog, &QDialog::finished, dialog, [this, id, dialog](int result) {
    std::vector<std::string> paths;
    if (result == QDialog::Accepted) {
      for (const QString& file : dialog->selectedFiles()) paths.push_back(file.toStdString());
    }
    // The model closes the panel in answer, which discards the dialog.
    if (paths.empty()) {
      input_.closeButton(id);
    } else {
      input_.chooseFiles(id, std::move(paths));
    }
  });
  dialog->show();  // free-standing: open() would make it modal
  dialog->raise();
  dialog->activateWindow();
}

void QtWindowRenderer::show(const RenderedWindow& window) {
  if (!glib_) glib_ = std::make_unique<GlibContextSource>(sources_);
  if (window.kind == RenderedWindow::Kind::OpenPanel) {
    showFileDialog(window);
    return;
  }
  RenderedWindowWidget* widget = widgetFor(window.id);
  bool opening = widget == nullptr;
  if (opening) {
    QWidget* parent = window.parentId ? widgetFor(window.parentId) : nullptr;
    widget = new RenderedWindowWidget(input_, window.id, parent,
                                      [this](QWidget* gone) { discard(gone); });
    windows_[window.id] = widget;
    // Sheets hold their parent window; an alert of its own holds them all.
    if (parent) {
      widget->setWindowModality(Qt::WindowModal);
    } else if (window.kind == RenderedWindow::Kind::Alert) {
      widget->setWindowModality(Qt::ApplicationModal);
    }
  }
  widget->apply(window);
  if (opening) {
    if (widget->parentWidget()) {
      widget->open();  // modal to its parent, returning at once
    } else {
      std::optional<QPoint> asked;
      if (window.origin) {
        asked = QPoint(static_cast<int>(std::lround(window.origin->x)),
                       static_cast<int>(std::lround(window.origin->y)));
        // A frame kept from a screen that is gone still opens on one; the
        // model hears where.
        Rect placed =
            fittedOntoScreens(Rect(*window.origin, window.contentSize), screens().visible, false);
        widget->move(static_cast<int>(std::lround(placed.minX())),
                     static_cast<int>(std::lround(placed.minY())));
      }
      widget->show();  // open() would make it window-modal
      if (window.kind == RenderedWindow::Kind::Panel) widget->reportFrameChanges(asked);
    }
  }
  if (window.key && !widget->isActiveWindow()) {
    if (!opening) widget->raise();  // a window that was behind others
    widget->activateWindow();
  }
}

namespace {

void addMenuRows(QMenu* menu, const std::vector<RenderedMenuItem>& rows,
                 const std::function<void(std::uint64_t)>& choose) {
  for (const RenderedMenuItem& row : rows) {
    if (row.separator) {
      menu->addSeparator();
      continue;
    }
    // Titles are plain text: a mnemonic ampersand shows as itself.
    const QString title = qtString(row.title).replace('&', QStringLiteral("&&"));
    if (row.hasSubmenu) {
      QMenu* submenu = menu->addMenu(title);
      submenu->setEnabled(row.enabled);
      addMenuRows(submenu, row.submenu, choose);
      continue;
    }
    QAction* action = menu->addAction(title);
    action->setEnabled(row.enabled && row.id != 0);
    action->setCheckable(row.checkable);
    action->setChecked(row.checked);
    if (row.id != 0) {
      QObject::connect(action, &QAction::triggered, action, [choose, id = row.id] { choose(id); });
    }
  }
}

}  // namespace

bool QtWindowRenderer::popUpMenu(const RenderedMenu& menu, std::optional<Point> at) {
  if (!glib_) glib_ = std::make_unique<GlibContextSource>(sources_);
  if (menu_) menu_->close();
  auto* shown = new QMenu();
  menu_ = shown;
  const std::uint64_t id = menu.id;
  addMenuRows(shown, menu.items,
              [this, id](std::uint64_t item) { input_.chooseMenuItem(id, item); });
  // Qt hides the menu before it tells of the chosen row: the model hears the
  // close on the main queue, after the choice.
  QObject::connect(shown, &QMenu::aboutToHide, shown, [this, id, shown] {
    mainQueue_.async([this, id, alive = std::weak_ptr<bool>(alive_)] {
      if (alive.lock()) input_.menuDidClose(id);
    });
    discard(shown);
  });
  const QPoint place =
      at ? QPoint(static_cast<int>(std::lround(at->x)), static_cast<int>(std::lround(at->y)))
         : QCursor::pos();
  shown->popup(place);
  return true;
}

bool QtWindowRenderer::release() {
  if (!windows_.empty() || !fileDialogs_.empty() || menu_) return false;
  // On X11 the text on the clipboard lives in its owner.
  const QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard && (clipboard->ownsClipboard() || clipboard->ownsSelection())) return false;
  for (auto& widget : std::exchange(discarded_, {})) delete widget.data();
  glib_.reset();
  delete QCoreApplication::instance();
  return true;
}

bool QtWindowRenderer::copyText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->clear();
  clipboard->setText(qtString(text));
  return true;
}

std::optional<Size> QtWindowRenderer::sizeThatFits(const TextMeasure& measure) {
  if (!probes_) probes_ = std::make_unique<Probes>();
  Probes& p = *probes_;
  const QFont font = qtFont(measure.font);
  const QString text = qtString(measure.text);
  QSize size;
  switch (measure.kind) {
    case RenderedView::Kind::Label: {
      p.label->setFont(font);
      p.label->setText(text);
      p.label->setWordWrap(false);
      size = p.label->sizeHint();
      const int wrap = static_cast<int>(std::floor(measure.wrapWidth));
      if (measure.wraps && wrap > 0 && size.width() > wrap) {
        p.label->setWordWrap(true);
        size = QSize(wrap, p.label->heightForWidth(wrap));
      }
      break;
    }
    case RenderedView::Kind::Button:
      p.button->setFont(font);
      p.button->setText(text);
      p.button->setFlat(!measure.bordered);
      size = p.button->sizeHint();
      break;
    case RenderedView::Kind::CheckBox:
      p.box->setFont(font);
      p.box->setText(text);
      size = p.box->sizeHint();
      break;
    case RenderedView::Kind::TextField:
      p.field->setFont(font);
      size = p.field->sizeHint();
      break;
    case RenderedView::Kind::DatePicker:
      p.date->setFont(font);
      size = p.date->sizeHint();
      break;
    case RenderedView::Kind::Table: {
      // A row is a line of the item's text with room around it.
      p.table->setFont(font);
      p.table->item(0, 0)->setFont(font);
      const QAbstractItemView* view = p.table;
      size = QSize(2 * p.table->frameWidth(), view->sizeHintForRow(0) + 6);
      break;
    }
    default:
      return std::nullopt;
  }
  return Size{static_cast<double>(size.width()), static_cast<double>(size.height())};
}

RenderedScreens QtWindowRenderer::screens() const {
  RenderedScreens screens;
  QScreen* main = QGuiApplication::primaryScreen();
  if (!main) return screens;
  auto rect = [](const QRect& r) { return Rect(r.x(), r.y(), r.width(), r.height()); };
  screens.mainScreenBottom = rect(main->geometry()).maxY();
  screens.visible.push_back(rect(main->availableGeometry()));
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != main) screens.visible.push_back(rect(screen->availableGeometry()));
  }
  return screens;
}

void QtWindowRenderer::close(std::uint64_t window) {
  if (auto dialog = fileDialogs_.find(window); dialog != fileDialogs_.end()) {
    QPointer<QFileDialog> shown = dialog->second;
    fileDialogs_.erase(dialog);
    if (shown) discard(shown.data());
    return;
  }
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  QPointer<RenderedWindowWidget> widget = it->second;
  windows_.erase(it);
  if (widget) discard(widget.data());
}

void QtWindowRenderer::discard(QWidget* widget) {
  // The widget may be handling the click that closed it: hide it now and
  // delete it from the main queue, outside any toolkit event.
  widget->hide();
  discarded_.emplace_back(widget);
  cleanUpLater();
}

void QtWindowRenderer::cleanUpLater() {
  if (cleanUpScheduled_) return;
  cleanUpScheduled_ = true;
  mainQueue_.async([this, alive = std::weak_ptr<bool>(alive_)] {
    if (!alive.lock()) return;
    cleanUpScheduled_ = false;
    for (auto& widget : std::exchange(discarded_, {})) delete widget.data();
    if (windows_.empty() && fileDialogs_.empty() && !menu_) glib_.reset();
  });
}

WindowRenderer* makeQtWindowRenderer(WindowInput& input, DescriptorSources& sources,
                                     DispatchQueue& mainQueue) {
  if (!canReachScreen()) return nullptr;
  ensureApplication();
  installDrawnViewAccessibility();
  return new QtWindowRenderer(input, sources, mainQueue);
}

}  // namespace vigilix::platform
