#include "platform/qt/rendered_window_widget.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDropEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTableWidget>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>

#include "platform/qt/drawn_view_widget.h"
#include "platform/qt/key_events.h"
#include "platform/qt/qt_style.h"

namespace vigilix::platform {

namespace {

// The model's stepper: two arrows, the upper half steps up. The number it
// steps is shown by the field beside it.
class StepperWidget : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.rect = QRect(0, 0, width(), height() / 2);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowUp, &option, &painter, this);
    option.rect = QRect(0, height() / 2, width(), height() - height() / 2);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
  }
};

QDateTime qtDateTime(Date date) {
  return QDateTime::fromMSecsSinceEpoch(
      static_cast<qint64>(std::llround(date.timeIntervalSince1970() * 1000)));
}

Date modelDate(const QDateTime& date) {
  return Date::fromTimeIntervalSince1970(static_cast<double>(date.toMSecsSinceEpoch()) / 1000);
}

// The symbols the models name, as the style's own pictures.
QStyle::StandardPixmap symbolPixmap(const std::string& symbol) {
  if (symbol.starts_with("checkmark")) return QStyle::SP_DialogApplyButton;
  if (symbol.starts_with("exclamationmark")) return QStyle::SP_MessageBoxWarning;
  if (symbol.starts_with("xmark")) return QStyle::SP_MessageBoxCritical;
  return QStyle::SP_MessageBoxInformation;
}

// The model view a table shows, kept on the table for its viewport's clicks.
constexpr const char* kViewProperty = "vigilixView";

QTableWidget* tableOfViewport(QWidget* widget) {
  auto* table = widget ? qobject_cast<QTableWidget*>(widget->parentWidget()) : nullptr;
  return table && table->viewport() == widget ? table : nullptr;
}

// Keys the date editor keeps for itself: everything but moving between
// views, Return and Escape, which belong to the window.
bool dateEditorKeepsKey(int key) {
  return key != Qt::Key_Tab && key != Qt::Key_Backtab && key != Qt::Key_Return &&
         key != Qt::Key_Enter && key != Qt::Key_Escape;
}

}  // namespace

void configureLabel(QLabel* label) {
  label->setTextFormat(Qt::PlainText);  // model text is never markup
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void configureTable(QTableWidget* table) {
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setShowGrid(false);
  table->setAlternatingRowColors(true);
  table->setWordWrap(false);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->horizontalHeader()->hide();
  table->verticalHeader()->hide();
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setMinimumSectionSize(1);
}

RenderedWindowWidget::RenderedWindowWidget(WindowInput& input, std::uint64_t id, QWidget* parent,
                                           std::function<void(QWidget*)> discard)
    : QDialog(parent), input_(input), id_(id), discard_(std::move(discard)) {
  installEventFilter(this);
  setAcceptDrops(true);
}

QWidget* RenderedWindowWidget::widgetFor(std::uint64_t view) const {
  auto it = children_.find(view);
  return it == children_.end() ? nullptr : it->second.widget;
}

void RenderedWindowWidget::apply(const RenderedWindow& window) {
  applying_ = true;
  // A window without a title of its own (an alert, most sheets) is the
  // application's, as the desktop's title bars and window lists say.
  setWindowTitle(window.title.empty() ? QCoreApplication::applicationName()
                                      : qtString(window.title));
  resizeTo(QSize(static_cast<int>(std::lround(window.contentSize.width)),
                 static_cast<int>(std::lround(window.contentSize.height))),
           window.animateResize);
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (window.closable) flags |= Qt::WindowCloseButtonHint;
  // Setting flags hides a shown window: only when they change.
  if (flags != flags_) setWindowFlags(flags_ = flags);

  std::map<std::uint64_t, Child> previous = std::exchange(children_, {});
  QWidget* focus = nullptr;
  for (const RenderedView& view : window.views) {
    auto it = previous.find(view.id);
    QWidget* widget = nullptr;
    if (it != previous.end() && it->second.view.kind == view.kind) {
      widget = it->second.widget;
      if (!(it->second.view == view)) update(widget, view);
      previous.erase(it);
    } else {
      widget = make(view);
      update(widget, view);
      widget->show();
    }
    children_.emplace(view.id, Child{view, widget});
    if (view.focused) focus = widget;
  }
  for (auto& [id, gone] : previous) discard_(gone.widget);
  if (focus && !focus->hasFocus()) focus->setFocus(Qt::OtherFocusReason);
  applying_ = false;
}

void RenderedWindowWidget::resizeTo(QSize size, bool animate) {
  askedSize_ = size;
  if (resize_ && resize_->state() == QAbstractAnimation::Running) {
    if (resize_->endValue().toSize() == size) return;
    resize_->stop();
  }
  if (!animate || !isVisible() || size == this->size()) {
    setFixedSize(size);
    return;
  }
  if (!resize_) {
    resize_ = new QVariantAnimation(this);
    resize_->setDuration(150);
    resize_->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(resize_, &QVariantAnimation::valueChanged,
                     [this](const QVariant& value) { setFixedSize(value.toSize()); });
  }
  resize_->setStartValue(this->size());
  resize_->setEndValue(size);
  resize_->start();
}

void RenderedWindowWidget::reportFrameChanges(std::optional<QPoint> asked) {
  reportsFrame_ = true;
  frameOrigin_ = asked.value_or(frameGeometry().topLeft());
  frameSize_ = size();
  frameMayHaveChanged();
}

void RenderedWindowWidget::frameMayHaveChanged() {
  const QPoint origin = frameGeometry().topLeft();
  const bool moved = origin != frameOrigin_;
  // The toolkit tells of a window's changes after the fact: a size the model
  // asked for, also on the way there in an animation, is the model's own.
  const bool animating = resize_ && resize_->state() == QAbstractAnimation::Running;
  const bool resized = size() != frameSize_ && size() != askedSize_ && !animating;
  frameOrigin_ = origin;
  frameSize_ = size();
  if (!reportsFrame_ || !isVisible() || !(moved || resized)) return;
  const QSize content = resized ? size() : askedSize_;
  input_.frameChanged(
      id_, Point{static_cast<double>(origin.x()), static_cast<double>(origin.y())},
      Size{static_cast<double>(content.width()), static_cast<double>(content.height())});
}

QWidget* RenderedWindowWidget::make(const RenderedView& view) {
  QWidget* widget = nullptr;
  switch (view.kind) {
    case RenderedView::Kind::Button: {
      auto* button = new QPushButton(this);
      button->setAutoDefault(false);
      widget = button;
      break;
    }
    case RenderedView::Kind::CheckBox:
      widget = new QCheckBox(this);
      break;
    case RenderedView::Kind::TextField:
      widget = new QLineEdit(this);
      break;
    case RenderedView::Kind::Label: {
      auto* label = new QLabel(this);
      configureLabel(label);
      widget = label;
      break;
    }
    case RenderedView::Kind::Image: {
      auto* label = new QLabel(this);
      label->setAlignment(Qt::AlignCenter);
      widget = label;
      break;
    }
    case RenderedView::Kind::Stepper:
      widget = new StepperWidget(this);
      break;
    case RenderedView::Kind::DatePicker: {
      auto* editor = new QDateTimeEdit(this);
      std::uint64_t id = view.id;
      connect(editor, &QDateTimeEdit::dateTimeChanged, editor, [this, id](const QDateTime& date) {
        if (!applying_) input_.chooseDate(id_, id, modelDate(date));
      });
      widget = editor;
      break;
    }
    case RenderedView::Kind::Table: {
      auto* table = new QTableWidget(this);
      configureTable(table);
      table->setProperty(kViewProperty, QVariant::fromValue<qulonglong>(view.id));
      table->viewport()->installEventFilter(this);
      widget = table;
      break;
    }
    case RenderedView::Kind::ScrollBar: {
      auto* bar = new QScrollBar(Qt::Vertical, this);
      bar->setFocusPolicy(Qt::NoFocus);
      const std::uint64_t id = view.id;
      connect(bar, &QScrollBar::valueChanged, bar, [this, id](int value) {
        if (!applying_) input_.scrollTo(id_, id, value);
      });
      widget = bar;
      break;
    }
    case RenderedView::Kind::Drawn: {
      // Before anything asks for its accessible interface, which keeps the role.
      auto* drawn = new DrawnViewWidget(this);
      drawn->setAccessibilityRole(view.role);
      widget = drawn;
      break;
    }
  }
  widget->installEventFilter(this);
  return widget;
}

void RenderedWindowWidget::update(QWidget* widget, const RenderedView& view) {
  widget->setGeometry(static_cast<int>(std::lround(view.frame.minX())),
                      static_cast<int>(std::lround(view.frame.minY())),
                      static_cast<int>(std::lround(view.frame.width())),
                      static_cast<int>(std::lround(view.frame.height())));
  if (view.clip) {
    widget->setMask(QRegion(static_cast<int>(std::lround(view.clip->minX() - view.frame.minX())),
                            static_cast<int>(std::lround(view.clip->minY() - view.frame.minY())),
                            static_cast<int>(std::lround(view.clip->width())),
                            static_cast<int>(std::lround(view.clip->height()))));
  } else {
    widget->clearMask();
  }
  widget->setEnabled(view.enabled);
  widget->setFont(qtFont(view.font));
  if (!view.accessibilityLabel.empty())
    widget->setAccessibleName(qtString(view.accessibilityLabel));
  switch (view.kind) {
    case RenderedView::Kind::Button: {
      auto* button = static_cast<QPushButton*>(widget);
      button->setText(qtString(view.text));
      button->setDefault(view.isDefault);
      button->setFlat(!view.bordered);
      break;
    }
    case RenderedView::Kind::CheckBox: {
      auto* box = static_cast<QCheckBox*>(widget);
      box->setText(qtString(view.text));
      box->setChecked(view.checked);
      break;
    }
    case RenderedView::Kind::TextField: {
      auto* editor = static_cast<QLineEdit*>(widget);
      if (editor->text() != qtString(view.text)) editor->setText(qtString(view.text));
      if (view.focused) {
        int start = qtPosition(view.text, view.selectionStart);
        int end = qtPosition(view.text, view.selectionStart + view.selectionLength);
        editor->setSelection(start, end - start);
      }
      break;
    }
    case RenderedView::Kind::Label: {
      auto* label = static_cast<QLabel*>(widget);
      label->setText(qtString(view.text));
      label->setWordWrap(view.maximumLines != 1);
      label->setTextInteractionFlags(view.selectable ? Qt::TextSelectableByMouse
                                                     : Qt::NoTextInteraction);
      QPalette palette = label->palette();
      palette.setColor(QPalette::WindowText, qtColor(view.textColor));
      label->setPalette(palette);
      break;
    }
    case RenderedView::Kind::Image: {
      auto* label = static_cast<QLabel*>(widget);
      int side = static_cast<int>(std::min(view.frame.width(), view.frame.height()));
      QIcon icon;
      if (view.themeIcon) {
        // An entry's "Icon" is a theme name or an absolute file; a missing one shows a generic app.
        icon = view.text.starts_with('/') ? QIcon(qtString(view.text))
                                          : QIcon::fromTheme(qtString(view.text));
        if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_DesktopIcon);
      } else {
        icon = style()->standardIcon(symbolPixmap(view.text));
      }
      label->setPixmap(icon.pixmap(side, side));
      break;
    }
    case RenderedView::Kind::Stepper:
      widget->setAccessibleDescription(qtString(view.text));
      widget->update();
      break;
    case RenderedView::Kind::DatePicker: {
      auto* editor = static_cast<QDateTimeEdit*>(widget);
      if (view.minDate) editor->setMinimumDateTime(qtDateTime(*view.minDate));
      editor->setDateTime(qtDateTime(view.date));
      break;
    }
    case RenderedView::Kind::Drawn: {
      static_cast<DrawnViewWidget*>(widget)->setDrawing(view.drawing, view.flipped);
      break;
    }
    case RenderedView::Kind::Table:
      updateTable(static_cast<QTableWidget*>(widget), view);
      break;
    case RenderedView::Kind::ScrollBar: {
      auto* bar = static_cast<QScrollBar*>(widget);
      bar->setRange(0, static_cast<int>(std::lround(view.scrollMaximum)));
      bar->setPageStep(static_cast<int>(std::lround(view.scrollPage)));
      bar->setSingleStep(20);
      bar->setValue(static_cast<int>(std::lround(view.scrollOffset)));
      break;
    }
  }
}

void RenderedWindowWidget::updateTable(QTableWidget* table, const RenderedView& view) {
  std::size_t columns = 0;
  for (const auto& row : view.cells) columns = std::max(columns, row.size());
  table->setRowCount(static_cast<int>(view.cells.size()));
  table->setColumnCount(static_cast<int>(columns));
  QFont emphasized = table->font();
  emphasized.setWeight(QFont::DemiBold);
  for (std::size_t r = 0; r < view.cells.size(); ++r) {
    const bool bold = r < view.emphasizedRows.size() && view.emphasizedRows[r];
    for (std::size_t c = 0; c < columns; ++c) {
      const int row = static_cast<int>(r);
      const int column = static_cast<int>(c);
      QTableWidgetItem* item = table->item(row, column);
      if (!item) table->setItem(row, column, item = new QTableWidgetItem());
      item->setText(c < view.cells[r].size() ? qtString(view.cells[r][c]) : QString());
      item->setFont(bold ? emphasized : table->font());
    }
  }
  // The first column takes the width the others leave: every row as wide as the table.
  for (int column = 0; column < table->columnCount(); ++column) {
    table->horizontalHeader()->setSectionResizeMode(
        column, column == 0 ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
  }
  table->verticalHeader()->setDefaultSectionSize(static_cast<int>(std::lround(view.rowHeight)));
  const QSignalBlocker quiet(table);
  if (view.selectedRow && *view.selectedRow < view.cells.size()) {
    const int row = static_cast<int>(*view.selectedRow);
    table->setCurrentCell(row, 0);
    table->selectRow(row);
    table->scrollToItem(table->item(row, 0));
  } else {
    table->clearSelection();
  }
}

Point RenderedWindowWidget::inWindow(QWidget* widget, QPointF position) const {
  QPointF p = widget == this ? position : widget->mapTo(this, position);
  return Point{p.x(), p.y()};
}

bool RenderedWindowWidget::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  // A push button keeps its own press for the pressed look; the model
  // decides whether the press is a click.
  // A scroll bar is the toolkit's own: its moves reach the model as offsets.
  if (qobject_cast<QScrollBar*>(widget)) return false;
  bool showsOwnPress = qobject_cast<QPushButton*>(widget) && widget->isEnabled();
  // A selectable label selects with the mouse and offers Copy itself.
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    showsOwnPress = label->textInteractionFlags() != Qt::NoTextInteraction;
  }
  // A table's rows are the toolkit's: a click names the row under it, and
  // the wheel scrolls the list itself.
  if (QTableWidget* table = tableOfViewport(widget)) {
    if (event->type() == QEvent::Wheel) return false;
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
      return event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseMove;
    const QModelIndex index =
        table->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
    if (index.isValid()) {
      input_.chooseRow(id_, table->property(kViewProperty).toULongLong(),
                       static_cast<std::size_t>(index.row()));
    }
    return true;
  }
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      // Only files are offered to the models.
      auto* drag = static_cast<QDropEvent*>(event);
      const auto urls = drag->mimeData()->urls();
      if (widget == this && std::any_of(urls.begin(), urls.end(),
                                        [](const QUrl& url) { return url.isLocalFile(); })) {
        drag->acceptProposedAction();
        return true;
      }
      return false;
    }
    case QEvent::Drop: {
      if (widget != this) return false;
      auto* drop = static_cast<QDropEvent*>(event);
      std::vector<std::string> paths;
      for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
      if (paths.empty()) return false;
      drop->acceptProposedAction();
      input_.dropFiles(id_, inWindow(this, drop->position()), std::move(paths));
      return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return !showsOwnPress;
      Point at = inWindow(widget, mouse->position());
      if (event->type() == QEvent::MouseButtonRelease) {
        input_.mouseUp(id_, at);
      } else {
        input_.mouseDown(id_, at);
      }
      return !showsOwnPress;
    }
    case QEvent::MouseMove:
      return !showsOwnPress;
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      // One notch (120) scrolls three lines of about 13 points.
      double delta = wheel->pixelDelta().isNull() ? -wheel->angleDelta().y() / 120.0 * 40
                                                  : -wheel->pixelDelta().y();
      input_.scrollWheel(id_, inWindow(widget, wheel->position()), delta);
      return true;
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (qobject_cast<QDateTimeEdit*>(widget) && dateEditorKeepsKey(key->key())) return false;
      if (auto model = modelKeyEvent(key->key(), key->modifiers(), key->text())) {
        input_.keyDown(id_, *model);
      }
      return true;
    }
    case QEvent::Move:
    case QEvent::Resize:
      if (widget == this) frameMayHaveChanged();
      return false;
    case QEvent::Close:
      if (widget != this) return false;
      event->ignore();
      input_.closeButton(id_);
      return true;
    default:
      return false;
  }
}

}  // namespace vigilix::platform
