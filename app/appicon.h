// The program's own window icon, painted at start.
#pragma once

class QIcon;
class QImage;

namespace quelvo::app {

// A 48 × 48 icon: a rounded tile shading from sky blue to pink with a white star.
QIcon appIcon();
// The same picture painted at `size` × `size` pixels (the installed theme icons).
QImage appIconImage(int size);

}  // namespace quelvo::app
