#include "tests/support/qt_test_app.h"

#include <QApplication>

// It lives until the process ends: destroying it among the other static objects at
// exit would run after Qt's own have gone.
QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "korvex-window-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The font library keeps caches it never frees; they are not ours to find.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
