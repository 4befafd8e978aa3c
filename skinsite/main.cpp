// quelvo-skinsite: the bundled skin site as a standalone server on 127.0.0.1.
#include <QGuiApplication>
#include <QSocketNotifier>

#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "quelvo/version.h"
#include "skinsite/skinsite.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void usage(FILE* out) {
    std::fputs(
        "usage: quelvo-skinsite [--port N] [--data-dir DIR] [--max-pictures N] [--no-alert]\n"
        "                       [--help] [--version]\n"
        "  --port N          port on 127.0.0.1, 0 for any free port (default 0)\n"
        "  --data-dir DIR    folder for finished pictures (default: a fresh temporary folder)\n"
        "  --max-pictures N  finished pictures kept (default 500)\n"
        "  --no-alert        no success dialog on the make result page\n",
        out);
}

bool parseNumber(const char* text, long lo, long hi, long* out) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno || end == text || *end || value < lo || value > hi)
        return false;
    *out = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    quelvo::skinsite::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long value = 0;
        if (arg == "--port" && hasValue && parseNumber(argv[i + 1], 0, 65535, &value)) {
            options.port = static_cast<int>(value);
            ++i;
        } else if (arg == "--data-dir" && hasValue && argv[i + 1][0]) {
            options.dataDir = argv[++i];
        } else if (arg == "--max-pictures" && hasValue &&
                   parseNumber(argv[i + 1], 1, 1000000, &value)) {
            options.maxPictures = static_cast<std::size_t>(value);
            ++i;
        } else if (arg == "--no-alert") {
            options.alertOnMake = false;
        } else if (arg == "--version") {
            std::printf("quelvo-skinsite %s\n", QUELVO_VERSION);
            return 0;
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "quelvo-skinsite: bad argument: %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }

    // Texts are painted with fonts, which needs a GUI application but no screen.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QGuiApplication app(argc, argv);

    if (::pipe(g_signalPipe) != 0) {
        std::perror("quelvo-skinsite: pipe");
        return 1;
    }
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    quelvo::skinsite::SkinSite site(options);
    if (!site.start()) {
        std::fprintf(stderr, "quelvo-skinsite: %s\n", site.errorString().c_str());
        return 1;
    }
    std::printf("%s\n", site.baseUrl().c_str());
    std::fflush(stdout);
    const int code = app.exec();
    site.stop();
    return code;
}
