// The skin site's main and image addresses, the bundled site behind them, the command-line
// options that point them elsewhere, and the bounds of the windows' fetches.
#pragma once

#include <QStringList>

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/http/fetch.h"

namespace quelvo::skinsite {
class SkinSite;
}

namespace quelvo::app {

struct SiteOptions {
    // --site: empty means the bundled site.
    std::string site;
    // --image-site: empty means the value of --site, or the bundled site when that is empty too.
    std::string imageSite;
};

struct CommandLine {
    SiteOptions sites;
    bool help = false;
    // Test hook of start-up (see startup.h).
    bool exitAfterShown = false;
    // Set when the command line cannot be used; the program then prints it and ends.
    std::string error;
    // Arguments the program does not know (a file a file manager opens with it, say): the program
    // warns about each and starts anyway.
    std::vector<std::string> warnings;
};

// Reads the program's own options from `arguments` (without the program name, with Qt's own
// options already taken out). Site addresses must be http or https; a missing closing "/" is
// added.
CommandLine parseCommandLine(const QStringList& arguments);
// What --help prints.
std::string usageText();

// The sites in effect from now on. The bundled site is not started here: it starts at the first
// ask for an address that needs it, so start-up stays fast.
void configureSites(const SiteOptions& options);

// The addresses, each ending in "/": the site's index page is the main address, previews and
// template pages lie below it, finished pictures below the image address. Empty text when the
// bundled site is needed and cannot start (the fetches then give empty bytes).
Text mainAddress();
Text imageAddress();

// Whether makes go to the bundled site (no --site): its rules for the items then hold.
bool makesOnBundledSite();

// The bundled site when it has been started, else nullptr.
skinsite::SkinSite* bundledSite();
// Stops the bundled site and forgets it; the exit clean-up calls this.
void stopBundledSite();

// Bounds of every fetch the windows make; tests shorten them.
const http::FetchOptions& windowFetchOptions();
void setWindowFetchOptions(const http::FetchOptions& options);

}  // namespace quelvo::app
