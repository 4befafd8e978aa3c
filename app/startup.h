// Program start-up: the platform, the global WebPage, the main window, the message loop and the
// exit clean-up.
#pragma once

namespace quelvo {
class WebPage;
}

namespace quelvo::app {

// Settings that must precede the application object: shared GL contexts, the browser's sandbox
// when run as root, and the offscreen platform when there is no display.
void initialisePlatform();

// The one global WebPage, owned by the application: made unbound at start-up, before the main
// window, and destroyed by the exit clean-up. Code that runs without start-up (tests) gets one
// made on first use.
WebPage& globalWebPage();
void createGlobalWebPage();

// Destroys the global WebPage (Destroy, then its memory) and unloads the libraries loaded at run
// time. Running it twice does nothing more.
void exitCleanUp();

// The whole program. Returns 0 once no window of the program is open; --help prints the options
// and returns 0, an unusable command line returns 2 (options: siteaddresses.h). The bundled skin
// site is started at its first use and stopped before the application object goes. The option
// --exit-after-shown (a test hook) closes the main window once it has first been painted and
// prints {"shown_ms": …, "style_sheet_bytes": …} on standard output.
int run(int argc, char** argv);

}  // namespace quelvo::app
