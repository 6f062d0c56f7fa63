#include "ui/korvex_application.h"

#include <QEventLoop>
#include <QException>
#include <QTimer>

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// An exception of the toolkit's own kind that carries a text.
class ToolkitError : public QException {
  public:
    const char* what() const noexcept override { return "toolkit says no"; }
    void raise() const override { throw *this; }
    ToolkitError* clone() const override { return new ToolkitError(*this); }
};

} // namespace

// One application object per process: both cases run in it, one after the other.
TEST(KorvexApplication, AnExceptionEscapingAHandlerEndsTheEventLoopAndIsKept) {
    int argc = 1;
    char name[] = "korvex-test";
    char* argv[] = {name, nullptr};
    KorvexApplication app(argc, argv);

    QTimer::singleShot(0, [] { throw std::runtime_error("not the toolkit's"); });
    QTimer::singleShot(5000, &app, [&app] { app.exit(7); }); // a guard, never reached
    EXPECT_EQ(app.exec(), 0);
    EXPECT_TRUE(app.failed());
    // Other exceptions are shown with an empty message.
    EXPECT_TRUE(app.failure().isEmpty());
}

TEST(KorvexApplication, ToolkitExceptionsKeepTheirText) {
    int argc = 1;
    char name[] = "korvex-test";
    char* argv[] = {name, nullptr};
    KorvexApplication app(argc, argv);
    QTimer::singleShot(0, [] { throw ToolkitError(); });
    EXPECT_EQ(app.exec(), 0);
    EXPECT_TRUE(app.failed());
    EXPECT_EQ(app.failure().toStdString(), "toolkit says no");

    // What escaped window creation is only recorded: the box that shows it afterwards
    // still runs its own event loop instead of closing at once.
    app.record(QString("later"));
    bool boxLoopRan = false;
    QEventLoop box;
    QTimer::singleShot(20, [&] {
        boxLoopRan = true;
        box.quit();
    });
    box.exec();
    EXPECT_TRUE(boxLoopRan);
    EXPECT_EQ(app.failure().toStdString(), "toolkit says no"); // the first one is kept
}
