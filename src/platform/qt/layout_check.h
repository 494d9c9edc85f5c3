#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

namespace vigilix::testing {

// What a person would see wrong in a shown window, found from the widgets
// the renderer made: text cut off by its frame, a control over another, a
// control past the window's edge, a caption away from its control.

// The visible part of a child: its frame less what a scrolling view cuts.
inline QRegion shownPart(const QWidget* widget) {
  const QRegion mask = widget->mask();
  return mask.isEmpty() ? QRegion(widget->geometry())
                        : mask.translated(widget->geometry().topLeft());
}

inline bool wholeShown(const QWidget* widget) {
  return widget->mask().isEmpty() || widget->mask() == QRegion(widget->rect());
}

inline std::string textOf(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text().toStdString();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
    return button->text().toStdString();
  return widget->accessibleName().toStdString();
}

// Without the place, which scrolling changes, so that a fault reads the same
// at every scroll position.
inline std::string describe(const QWidget* widget) {
  const QRect g = widget->geometry();
  return std::string(widget->metaObject()->className()) + " \"" + textOf(widget) + "\" " +
         std::to_string(g.width()) + "x" + std::to_string(g.height());
}

inline std::string describePlaced(const QWidget* widget) {
  const QRect g = widget->geometry();
  return describe(widget) + " at " + std::to_string(g.x()) + "," + std::to_string(g.y());
}

// The size a widget's text needs, as its own style measures it; empty for
// widgets that show no text of their own.
inline QSize neededSize(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) {
    if (label->text().isEmpty()) return {};
    if (!label->wordWrap()) return label->sizeHint();
    return {label->minimumSizeHint().width(), label->heightForWidth(label->width())};
  }
  if (const auto* box = qobject_cast<const QCheckBox*>(widget)) return box->sizeHint();
  if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
    // The text and the style's margins, without the style's wish for wide buttons.
    QStyleOptionButton option;
    option.initFrom(button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    return button->style()->sizeFromContents(QStyle::CT_PushButton, &option, text, button);
  }
  if (const auto* table = qobject_cast<const QTableWidget*>(widget)) {
    // Every row on show, and each column as wide as its widest cell.
    const QAbstractItemView* view = table;
    int width = 2 * table->frameWidth();
    for (int column = 0; column < table->columnCount(); ++column)
      width += view->sizeHintForColumn(column);
    int height = 2 * table->frameWidth();
    for (int row = 0; row < table->rowCount(); ++row) height += view->sizeHintForRow(row);
    if (table->horizontalHeader()->isVisible()) height += table->horizontalHeader()->height();
    return {width, height};
  }
  return {};
}

// Text cut off, controls over one another, and controls past the window's
// right or bottom edge, among the direct children of a rendered window.
inline std::vector<std::string> layoutFaults(const QWidget* window) {
  std::vector<const QWidget*> shown;
  for (const QObject* child : window->children()) {
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (widget && !widget->isWindow() && widget->isVisibleTo(window)) shown.push_back(widget);
  }
  std::vector<std::string> faults;
  for (const QWidget* widget : shown) {
    // A scrolling view cuts what it holds at its top and bottom, on purpose,
    // never at the sides.
    if (!wholeShown(widget)) {
      if (widget->mask().boundingRect().width() < widget->width())
        faults.push_back(describe(widget) + " is cut at the side");
      continue;
    }
    const QRect g = widget->geometry();
    if (g.right() >= window->width() || g.bottom() >= window->height())
      faults.push_back(describe(widget) + " runs past the window's edge");
    const QSize needed = neededSize(widget);
    if (needed.width() > g.width() || needed.height() > g.height()) {
      faults.push_back(describe(widget) + " needs " + std::to_string(needed.width()) + "x" +
                       std::to_string(needed.height()));
    }
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      if (shownPart(shown[i]).intersects(shownPart(shown[j])))
        faults.push_back(describe(shown[i]) + " overlaps " + describe(shown[j]));
    }
  }
  return faults;
}

// A caption and the control it belongs to, each by the text it shows.
struct CaptionOf {
  std::string caption;
  std::string control;
};

// Whether the caption sits directly below its control: the nearest widget
// above it (or one in the control's row) is the control, a short gap away,
// and the caption starts at the control's leading edge or a little inside.
// Only pairs fully on screen are judged; `judged` collects them.
inline std::vector<std::string> captionFaults(const QWidget* window,
                                              const std::vector<CaptionOf>& pairs,
                                              std::vector<std::string>* judged = nullptr) {
  constexpr int kMostGap = 12;
  constexpr int kMostIndent = 32;
  std::vector<const QWidget*> shown;
  for (const QObject* child : window->children()) {
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (widget && !widget->isWindow() && widget->isVisibleTo(window) && wholeShown(widget))
      shown.push_back(widget);
  }
  auto find = [&](const std::string& text) -> const QWidget* {
    for (const QWidget* widget : shown) {
      const std::string shownText = textOf(widget);
      if (!shownText.empty() && shownText.starts_with(text)) return widget;
    }
    return nullptr;
  };
  std::vector<std::string> faults;
  for (const CaptionOf& pair : pairs) {
    const QWidget* caption = find(pair.caption);
    const QWidget* control = find(pair.control);
    if (!caption || !control) continue;
    if (judged) judged->push_back(pair.caption);
    const QRect c = caption->geometry();
    const QRect k = control->geometry();
    // The lowest widget above the caption that shares some of its width.
    const QWidget* above = nullptr;
    for (const QWidget* widget : shown) {
      const QRect g = widget->geometry();
      if (widget == caption || g.bottom() >= c.top()) continue;
      if (g.right() < c.left() || g.left() > c.right()) continue;
      if (!above || g.bottom() > above->geometry().bottom()) above = widget;
    }
    const bool inControlRow =
        above && above->geometry().top() <= k.bottom() && above->geometry().bottom() >= k.top();
    const int gap = c.top() - (above ? above->geometry().bottom() : k.bottom()) - 1;
    if (!inControlRow || gap > kMostGap || c.left() < k.left() ||
        c.left() > k.left() + kMostIndent) {
      faults.push_back("\"" + pair.caption + "\" is not directly below \"" + pair.control +
                       "\": caption " + describePlaced(caption) + ", control " +
                       describePlaced(control) + ", above it " +
                       (above ? describePlaced(above) : std::string("nothing")));
    }
  }
  return faults;
}

}  // namespace vigilix::testing
