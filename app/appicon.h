// The program's own window icon, painted at start.
#pragma once

class QIcon;

namespace quelvo::app {

// A 48 × 48 icon: a rounded tile shading from sky blue to pink with a white star.
QIcon appIcon();

}  // namespace quelvo::app
