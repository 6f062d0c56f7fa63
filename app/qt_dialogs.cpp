#include "app/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {
QString FromBytes(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}
std::string ToBytes(const QString& s) {
    return s.toLocal8Bit().toStdString();
}
} // namespace

void QtDialogs::showMessage(const std::string& text, const std::string& caption) {
    const QString title = caption.empty() ? QApplication::applicationName() : FromBytes(caption);
    QMessageBox box(QMessageBox::NoIcon, title, FromBytes(text), QMessageBox::Ok, parent_);
    // The text can be selected and copied, e.g. the versions of the About box.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.exec();
}

bool QtDialogs::confirmYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), FromBytes(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::chooseOpenFile() {
    const QString path = QFileDialog::getOpenFileName(parent_);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return ToBytes(path);
}

std::optional<std::string> QtDialogs::chooseSaveFile(const std::string& preset) {
    const QString path =
        QFileDialog::getSaveFileName(parent_, QString(), QString::fromLocal8Bit(preset.c_str()));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return ToBytes(path);
}
