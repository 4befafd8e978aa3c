// The boundary between the program's texts and Qt's: widget texts convert here.
#pragma once

#include <QString>

#include "common/text.h"

namespace quelvo::widgets {

inline QString toQString(const Text& text) {
    return QString::fromStdU16String(text.toUtf16());
}

inline Text toText(const QString& text) {
    return Text::fromUtf16(text.toStdU16String());
}

}  // namespace quelvo::widgets
