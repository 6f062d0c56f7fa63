#include "app/globals.h"
#include "app/tform1.h"
#include "config/tform2.h"
#include "dyno/tform3.h"
#include "firmware/tform4.h"
#include "ui/korvex_application.h"
#include "ui/qt_dialogs.h"

#include <QException>

#include <memory>

namespace {
// The windows, created once each in this order and kept for the whole run.
struct Windows {
    Windows(Globals& g, Dialogs& dialogs)
        : form1(g, dialogs), form2(g.port, g.cfg, dialogs, &form1),
          form3(g.dino, dialogs, SystemDecimalSeparator(), &form1),
          form4(g.firmware, dialogs, &form1) {
        form1.setWindows(&form2, &form3, &form4);
    }
    TForm1 form1;
    TForm2 form2;
    TForm3 form3;
    TForm4 form4;
};

int Run(KorvexApplication& app, Globals& globals) {
    QtDialogs dialogs;
    std::unique_ptr<Windows> windows;
    try {
        windows = std::make_unique<Windows>(globals, dialogs);
        windows->form1.show();
        app.exec();
    } catch (const QException& e) {
        // Recorded only: quitting a loop that never ran would close the box at once.
        app.record(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        app.record(QString());
    }
    if (app.failed()) {
        ShowExceptionBox(app.failure());
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    KorvexApplication app(argc, argv);
    KorvexApplication::setApplicationName("KORVEX");
    // The installed desktop entry's name (the window's app id on Wayland), so the desktop
    // shows the menu's name and icon for the window; X11 desktops match the class name.
    KorvexApplication::setDesktopFileName("org.korvex.korvex");
    Globals globals;
    return Run(app, globals);
}
