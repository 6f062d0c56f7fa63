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
// The main window, and the three it shows modally. Those are made when first opened,
// so the main window appears without waiting for them; the main window owns them.
struct Windows {
    Windows(Globals& g, Dialogs& dialogs) : form1(g, dialogs) {
        form1.setWindowMaker([&g, &dialogs, this](MainView::Window window) -> QDialog* {
            switch (window) {
            case MainView::Window::Config:
                return new TForm2(g.port, g.cfg, dialogs, &form1);
            case MainView::Window::Dino:
                return new TForm3(g.dino, dialogs, SystemDecimalSeparator(), &form1);
            case MainView::Window::DeviceType:
                return new TForm4(g.firmware, dialogs, &form1);
            }
            return nullptr;
        });
    }
    TForm1 form1;
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
