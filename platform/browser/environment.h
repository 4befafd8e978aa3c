// What the browser engine needs settled before the application object exists.
#pragma once

namespace quelvo {

// Shares GL contexts between browser views, starts the engine without its sandbox when run as
// root (it refuses otherwise), and uses the offscreen platform when there is no display or when
// `offscreen` asks for it. Settings already in the environment are kept.
void prepareBrowserEnvironment(bool offscreen = false);

}  // namespace quelvo
