// Build tool: writes the program's icon as PNG files for the icon theme.
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/appicon.h"

// usage: quelvo_iconwriter SIZE FILE [SIZE FILE]...
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc < 3 || argc % 2 == 0) {
        std::fputs("usage: quelvo_iconwriter SIZE FILE [SIZE FILE]...\n", stderr);
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024 || !quelvo::app::appIconImage(size).save(argv[i + 1], "PNG")) {
            std::fprintf(stderr, "quelvo_iconwriter: cannot write %s\n", argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
