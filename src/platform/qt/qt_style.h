#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <string>

#include "platform/ui/color.h"
#include "platform/ui/font.h"

namespace vigilix::platform {

// The model's symbolic colours and system fonts as Qt draws them. Colours
// keep the model's alpha.
QColor qtColor(const Color& color);
QFont qtFont(const Font& font);

inline QString qtString(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
// The position in `text` as UTF-16 units, for a byte offset into its UTF-8.
int qtPosition(const std::string& text, std::size_t byteOffset);

}  // namespace vigilix::platform
