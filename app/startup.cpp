// Program start-up: the platform, the global WebPage, the main window, the message loop and the
// exit clean-up.
#include "app/startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/mainwindow.h"
#include "app/makingwindow.h"
#include "app/siteaddresses.h"
#include "platform/browser/environment.h"
#include "platform/library/library.h"
#include "quelvo/version.h"

namespace quelvo::app {
namespace {

// Step 3 of start-up: the clean-up is bound to the scope of run(), after the application object
// and before the windows, so it runs once the windows are gone and the application still exists.
// Stops the bundled skin site, if it was started, before the application object goes.
class SiteScope {
public:
    SiteScope() = default;
    ~SiteScope() { stopBundledSite(); }
    SiteScope(const SiteScope&) = delete;
    SiteScope& operator=(const SiteScope&) = delete;
};

class ExitCleanUp {
public:
    ExitCleanUp() = default;
    ~ExitCleanUp() { exitCleanUp(); }
    ExitCleanUp(const ExitCleanUp&) = delete;
    ExitCleanUp& operator=(const ExitCleanUp&) = delete;
};

bool hasOption(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return true;
    }
    return false;
}

// Test hook: reports the time to the first paint of the main window, then closes it.
class ShownReporter : public QObject {
public:
    ShownReporter(QWidget* window, const QElapsedTimer& clock)
        : QObject(window), m_window(window), m_clock(clock) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            std::printf("{\"shown_ms\": %.3f, \"style_sheet_bytes\": %lld}\n",
                        m_clock.nsecsElapsed() / 1e6,
                        static_cast<long long>(qApp->styleSheet().toUtf8().size()));
            std::fflush(stdout);
            QTimer::singleShot(0, m_window, &QWidget::close);
        }
        return false;
    }

private:
    QWidget* m_window;
    QElapsedTimer m_clock;
    bool m_reported = false;
};

}  // namespace

void initialisePlatform() {
    prepareBrowserEnvironment();
}

void exitCleanUp() {
    destroyGlobalWebPage();
    library::unloadAll();
}

int run(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    const bool exitAfterShown = hasOption(argc, argv, "--exit-after-shown");
    if (hasOption(argc, argv, "--help") || hasOption(argc, argv, "-h")) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (hasOption(argc, argv, "--version")) {
        std::printf("quelvo %s\n", QUELVO_VERSION);
        return 0;
    }

    initialisePlatform();
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);

    // Qt has taken its own options out by now.
    const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments().mid(1));
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "quelvo: %s (see --help)\n", commandLine.error.c_str());
        return 2;
    }
    for (const std::string& warning : commandLine.warnings)
        std::fprintf(stderr, "quelvo: %s\n", warning.c_str());
    configureSites(commandLine.sites);
    SiteScope sites;

    createGlobalWebPage();
    ExitCleanUp cleanUp;

    std::unique_ptr<MainWindow> window = MainWindow::load();
    if (exitAfterShown)
        new ShownReporter(window.get(), clock);
    window->show();

    QApplication::exec();
    // A making window closed last is still waiting for its deletion; one left open goes now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete MakingWindow::openWindow();
    window.reset();
    return 0;
}

}  // namespace quelvo::app
