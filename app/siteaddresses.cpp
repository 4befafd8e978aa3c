// The skin site's main and image addresses, the bundled site behind them, the command-line
// options that point them elsewhere, and the bounds of the windows' fetches.
#include "app/siteaddresses.h"

#include <QUrl>

#include <cstdio>
#include <memory>

#include "skinsite/skinsite.h"

namespace quelvo::app {
namespace {

SiteOptions g_options;
std::unique_ptr<skinsite::SkinSite> g_site;
bool g_siteFailed = false;
http::FetchOptions g_fetchOptions;

// An http or https address with a host, with its closing "/"; empty when it is not one.
std::string siteAddress(const QString& value) {
    const QUrl url(value, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        return {};
    }
    std::string address = value.toStdString();
    if (!address.ends_with('/'))
        address += '/';
    return address;
}

Text bundledAddress() {
    if (!g_site && !g_siteFailed) {
        auto site = std::make_unique<skinsite::SkinSite>();
        if (site->start()) {
            g_site = std::move(site);
        } else {
            // Reported once; the windows then fetch nothing and show nothing, as with a dead site.
            g_siteFailed = true;
            std::fprintf(stderr, "quelvo: the bundled skin site cannot start: %s\n",
                         site->errorString().c_str());
        }
    }
    return g_site ? Text::fromUtf8(g_site->baseUrl()) : Text();
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.help = true;
            continue;
        }
        if (argument == QLatin1String("--exit-after-shown")) {
            line.exitAfterShown = true;
            continue;
        }
        std::string* target = nullptr;
        QString name = argument.section(QLatin1Char('='), 0, 0);
        if (name == QLatin1String("--site"))
            target = &line.sites.site;
        else if (name == QLatin1String("--image-site"))
            target = &line.sites.imageSite;
        if (!target) {
            line.warnings.push_back("unknown argument " + argument.toStdString() + " ignored");
            continue;
        }
        QString value;
        if (argument.contains(QLatin1Char('='))) {
            value = argument.section(QLatin1Char('='), 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            line.error = name.toStdString() + " needs an address";
            return line;
        }
        *target = siteAddress(value);
        if (target->empty()) {
            line.error =
                name.toStdString() + ": not an http or https address: " + value.toStdString();
            return line;
        }
    }
    return line;
}

std::string usageText() {
    return "Usage: quelvo [options]\n"
           "Makes a Qzone skin picture on a skin site and saves it to the desktop.\n"
           "\n"
           "Options:\n"
           "  --site URL        the skin site's main address (index page, previews\n"
           "                    img/pifu/bgN.gif, template pages N.html); by default Quelvo\n"
           "                    starts its bundled site on a free 127.0.0.1 port\n"
           "  --image-site URL  where finished pictures bg/QQ.gif are fetched; by default the\n"
           "                    --site address, else the bundled site\n"
           "  -h, --help        print this and exit\n"
           "  --version         print the version and exit\n"
           "\n"
           "Flags for the embedded browser engine go in QTWEBENGINE_CHROMIUM_FLAGS.\n";
}

void configureSites(const SiteOptions& options) {
    g_options = options;
}

Text mainAddress() {
    return g_options.site.empty() ? bundledAddress() : Text::fromUtf8(g_options.site);
}

Text imageAddress() {
    if (!g_options.imageSite.empty())
        return Text::fromUtf8(g_options.imageSite);
    return mainAddress();
}

bool makesOnBundledSite() {
    return g_options.site.empty();
}

skinsite::SkinSite* bundledSite() {
    return g_site.get();
}

void stopBundledSite() {
    if (g_site) {
        g_site->stop();
        g_site.reset();
    }
    g_siteFailed = false;
}

const http::FetchOptions& windowFetchOptions() {
    return g_fetchOptions;
}

void setWindowFetchOptions(const http::FetchOptions& options) {
    g_fetchOptions = options;
}

}  // namespace quelvo::app
