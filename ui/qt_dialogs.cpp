#include "ui/qt_dialogs.h"

#include "ui/qt_text.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

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
    return ToPath(path);
}

std::optional<std::string> QtDialogs::chooseSaveFile(const std::string& preset) {
    const QString path = QFileDialog::getSaveFileName(parent_, QString(), FromPath(preset));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return ToPath(path);
}
