// Program start-up: the platform, the global WebPage, the main window, the message loop and the
// exit clean-up.
#pragma once

#include "app/globalpage.h"

namespace quelvo::app {

// Settings that must precede the application object: shared GL contexts, the browser's sandbox
// when run as root, and the offscreen platform when there is no display.
void initialisePlatform();

// Destroys the global WebPage (Destroy, then its memory) and unloads the libraries loaded at run
// time. Running it twice does nothing more.
void exitCleanUp();

// The whole program. Returns 0 once no window of the program is open; --help prints the options
// and returns 0, an unusable command line returns 2, an unknown argument is warned about on
// standard error (options: siteaddresses.h). The bundled skin
// site is started at its first use and stopped before the application object goes. The option
// --exit-after-shown (a test hook) closes the main window once it has first been painted and
// prints {"shown_ms": …, "style_sheet_bytes": …} on standard output.
int run(int argc, char** argv);

}  // namespace quelvo::app
