#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <string>
#include <vector>

namespace vigilix::testing {

// What a person would see wrong in a rendered window, read from the widgets
// the renderer made: text its frame cuts off, controls over one another or
// past the window's edge, captions away from their controls.

inline std::string textOf(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text().toStdString();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
    return button->text().toStdString();
  return widget->accessibleName().toStdString();
}

// Without the place, which scrolling changes: a fault reads the same at every scroll position.
inline std::string describe(const QWidget* widget) {
  return std::string(widget->metaObject()->className()) + " \"" + textOf(widget) + "\" " +
         std::to_string(widget->width()) + "x" + std::to_string(widget->height());
}

// The size a widget's text needs as its own style measures it; none for a
// widget without text.
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
  if (const QAbstractItemView* table = qobject_cast<const QTableWidget*>(widget)) {
    // Each column as wide as its widest cell, and a row's text (the rest scrolls).
    int width = 2 * static_cast<const QTableWidget*>(table)->frameWidth();
    for (int column = 0; column < table->model()->columnCount(); ++column)
      width += table->sizeHintForColumn(column);
    return {width, table->sizeHintForRow(0)};
  }
  return {};
}

inline std::vector<const QWidget*> shownChildren(const QWidget* window) {
  std::vector<const QWidget*> shown;
  for (const QObject* child : window->children()) {
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (widget && !widget->isWindow() && widget->isVisibleTo(window)) shown.push_back(widget);
  }
  return shown;
}

inline std::vector<std::string> layoutFaults(const QWidget* window) {
  const auto shown = shownChildren(window);
  std::vector<std::string> faults;
  for (const QWidget* widget : shown) {
    const QRect g = widget->geometry();
    // A scrolling view cuts what it holds at its top and bottom, never at the sides.
    if (!widget->mask().isEmpty()) {
      if (widget->mask().boundingRect().width() < widget->width())
        faults.push_back(describe(widget) + " is cut at the side");
      continue;
    }
    if (g.right() >= window->width() || g.bottom() >= window->height())
      faults.push_back(describe(widget) + " runs past the window's edge");
    const QSize needed = neededSize(widget);
    if (needed.width() > g.width() || needed.height() > g.height()) {
      faults.push_back(describe(widget) + " needs " + std::to_string(needed.width()) + "x" +
                       std::to_string(needed.height()));
    }
  }
  auto part = [](const QWidget* w) {
    return w->mask().isEmpty() ? QRegion(w->geometry()) : w->mask().translated(w->pos());
  };
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      if (part(shown[i]).intersects(part(shown[j])))
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

// A caption sits directly below its control: the lowest widget above it
// that shares some of its width is the control (or in the control's row), a
// short gap away, and the caption starts at the control's leading edge or a
// little inside. Only pairs wholly on screen are judged; `judged` lists them.
inline std::vector<std::string> captionFaults(const QWidget* window,
                                              const std::vector<CaptionOf>& pairs,
                                              std::vector<std::string>* judged) {
  std::vector<const QWidget*> shown;
  for (const QWidget* widget : shownChildren(window))
    if (widget->mask().isEmpty()) shown.push_back(widget);
  auto find = [&](const std::string& text) -> const QWidget* {
    for (const QWidget* widget : shown)
      if (!text.empty() && textOf(widget).starts_with(text)) return widget;
    return nullptr;
  };
  std::vector<std::string> faults;
  for (const CaptionOf& pair : pairs) {
    const QWidget* caption = find(pair.caption);
    const QWidget* control = find(pair.control);
    if (!caption || !control) continue;
    judged->push_back(pair.caption);
    const QRect c = caption->geometry();
    const QRect k = control->geometry();
    const QWidget* above = nullptr;
    for (const QWidget* widget : shown) {
      const QRect g = widget->geometry();
      if (widget == caption || g.bottom() >= c.top() || g.right() < c.left() ||
          g.left() > c.right())
        continue;
      if (!above || g.bottom() > above->geometry().bottom()) above = widget;
    }
    const QRect a = above ? above->geometry() : QRect();
    const bool inControlRow = above && a.top() <= k.bottom() && a.bottom() >= k.top();
    if (!inControlRow || c.top() - a.bottom() - 1 > 12 || c.left() < k.left() ||
        c.left() > k.left() + 32) {
      faults.push_back("\"" + pair.caption + "\" is not directly below \"" + pair.control +
                       "\" but below " + (above ? describe(above) : std::string("nothing")));
    }
  }
  return faults;
}

}  // namespace vigilix::testing
