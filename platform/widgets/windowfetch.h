// A fetch for a window: the transfer runs beside the event loop, so that every window goes on
// painting and can be closed while a slow server answers.
#pragma once

#include <string>

#include "common/text.h"
#include "platform/http/fetch.h"

class QWidget;

namespace quelvo::widgets {

// http::fetch on a thread of its own while this thread handles every event but user input, which
// waits until the fetch is over (as during a round trip to a page). Closing or destroying
// `window` (when given) stops the fetch within about a second; so does the application quitting.
// A stopped fetch gives empty bytes. The caller must expect its window to be gone afterwards.
std::string windowFetch(QWidget* window, const Text& address,
                        const http::FetchOptions& options = {});

}  // namespace quelvo::widgets
