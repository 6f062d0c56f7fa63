// The yardstick of the start-up measurement: a Qt Widgets program that shows one main
// window and nothing else.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Hello"));
    window.setCentralWidget(new QLabel(QStringLiteral("Hello, world"), &window));
    window.resize(828, 590);
    window.show();
    return QApplication::exec();
}
