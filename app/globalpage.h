// The one global WebPage of the program, kept apart from start-up so that the windows that use it
// and the start-up that owns it do not include each other.
#pragma once

namespace quelvo {
class WebPage;
}

namespace quelvo::app {

// The one global WebPage, owned by the application: made unbound at start-up, before the main
// window, and destroyed by the exit clean-up. Code that runs without start-up (tests) gets one
// made on first use.
WebPage& globalWebPage();
void createGlobalWebPage();
// Destroy, then its memory. Running it twice does nothing more.
void destroyGlobalWebPage();

}  // namespace quelvo::app
