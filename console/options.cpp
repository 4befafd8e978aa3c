// The console's own command-line options: --help and --version.
#include "console/options.h"

#include <cstdio>
#include <cstring>

#include "quelvo/version.h"

namespace quelvo::console {

std::optional<int> answerInfoOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quelvo-console %s\n", QUELVO_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(
                "Usage: quelvo-console [--help] [--version]\n"
                "Hosts one browser control and runs WebPage operations read as JSON lines from\n"
                "standard input, answering one JSON line each on standard output:\n"
                "  {\"id\": 1, \"op\": \"load\", \"args\": [\"http://127.0.0.1:8080/1.html\"]}\n"
                "  {\"id\":1,\"result\":true}\n"
                "Console operations: load, wait, browserWindow, release, quit; every other\n"
                "operation is a WebPage one, or \"oN.Method\" on a companion object.\n"
                "Page dialogs are answered with OK and reported on standard error.\n"
                "Browser-engine flags go in QTWEBENGINE_CHROMIUM_FLAGS.\n",
                stdout);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace quelvo::console
