// Shared main of the GUI and browser tests: the application is made once, before any test.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/browser/environment.h"

int main(int argc, char** argv) {
    quelvo::prepareBrowserEnvironment(/*offscreen=*/true);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
