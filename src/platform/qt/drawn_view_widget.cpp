#include "platform/qt/drawn_view_widget.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <optional>

#include "platform/qt/qt_style.h"

namespace vigilix::platform {

namespace {

QAccessible::Role qtRole(AccessibilityRole role) {
  switch (role) {
    case AccessibilityRole::Button:
      return QAccessible::Button;
    case AccessibilityRole::CheckBox:
      return QAccessible::CheckBox;
    case AccessibilityRole::StaticText:
      return QAccessible::StaticText;
    case AccessibilityRole::Image:
      return QAccessible::Graphic;
    default:
      return QAccessible::Client;
  }
}

QAccessibleInterface* drawnViewAccessible(const QString& className, QObject* object) {
  auto* drawn = dynamic_cast<DrawnViewWidget*>(object);
  if (!drawn || className != QLatin1String(DrawnViewWidget::staticMetaObject.className())) {
    return nullptr;
  }
  return new QAccessibleWidget(drawn, qtRole(drawn->accessibilityRole()));
}

}  // namespace

void installDrawnViewAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(drawnViewAccessible);
    return true;
  }();
  (void)installed;
}

namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

}  // namespace

void DrawnViewWidget::setDrawing(std::vector<DrawCommand> commands, bool flipped) {
  if (commands == commands_ && flipped == flipped_) return;
  commands_ = std::move(commands);
  flipped_ = flipped;
  update();
}

void DrawnViewWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const double height = this->height();
  auto toQt = [&](const Rect& r) {
    double top = flipped_ ? r.minY() : height - r.maxY();
    return QRectF(r.minX(), top, r.width(), r.height());
  };
  auto shadowOffset = [](const std::optional<Shadow>& shadow) {
    return QPointF(shadow->offset.width, -shadow->offset.height);
  };
  for (const DrawCommand& command : commands_) {
    std::visit(Overloaded{
                   [&](const FillRoundedRect& c) {
                     QPainterPath path;
                     path.addRoundedRect(toQt(c.rect), c.radiusX, c.radiusY);
                     if (c.shadow)
                       painter.fillPath(path.translated(shadowOffset(c.shadow)),
                                        qtColor(c.shadow->color));
                     painter.fillPath(path, qtColor(c.color));
                   },
                   [&](const StrokeRoundedRect& c) {
                     painter.setPen(QPen(qtColor(c.color), c.lineWidth));
                     painter.setBrush(Qt::NoBrush);
                     painter.drawRoundedRect(toQt(c.rect), c.radiusX, c.radiusY);
                   },
                   [&](const DrawText& c) {
                     painter.setFont(qtFont(c.font));
                     painter.setPen(qtColor(c.color));
                     double line = c.font.lineHeight();
                     double top = flipped_ ? c.origin.y : height - c.origin.y - line;
                     painter.drawText(QRectF(c.origin.x, top, width() - c.origin.x + line, line),
                                      Qt::AlignLeft | Qt::AlignVCenter, qtString(c.text));
                   },
                   [&](const SaveGraphicsState&) { painter.save(); },
                   [&](const RestoreGraphicsState&) { painter.restore(); },
                   // Shadows travel with each fill already.
                   [&](const SetShadow&) {},
               },
               command);
  }
}

}  // namespace vigilix::platform
