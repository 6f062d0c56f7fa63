#include "ui/korvex_application.h"

#include <QException>
#include <QMessageBox>

bool KorvexApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const QException& e) {
        fail(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        // Only the toolkit's own exceptions carry a text the box shows.
        fail(QString());
    }
    return false;
}

void KorvexApplication::record(const QString& text) {
    if (!failed_) {
        failed_ = true;
        failure_ = text;
    }
}

void KorvexApplication::fail(const QString& text) {
    record(text);
    exit(0);
}

void ShowExceptionBox(const QString& text) {
    QMessageBox::critical(nullptr, QApplication::applicationName(), text);
}
