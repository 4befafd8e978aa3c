// The one global WebPage of the program.
#include "app/globalpage.h"

#include <memory>

#include "webpage/webpage.h"

namespace quelvo::app {
namespace {

std::unique_ptr<WebPage> g_webPage;

}  // namespace

void createGlobalWebPage() {
    if (!g_webPage)
        g_webPage = std::make_unique<WebPage>();
}

WebPage& globalWebPage() {
    createGlobalWebPage();
    return *g_webPage;
}

void destroyGlobalWebPage() {
    if (g_webPage) {
        g_webPage->Destroy();
        g_webPage.reset();
    }
}

}  // namespace quelvo::app
