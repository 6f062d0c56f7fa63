#include "ui/qt_dialogs.h"

#include "ui/qt_text.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <thread>

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

void QtDialogs::runWithProgress(const std::function<void()>& work,
                                const std::function<ProgressState()>& progress) {
    QProgressDialog box(parent_);
    box.setWindowTitle("Update");
    box.setCancelButton(nullptr); // a half-done step cannot be taken back
    box.setMinimumDuration(0);
    box.setWindowModality(Qt::ApplicationModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    std::atomic<bool> done{false};
    QEventLoop loop;
    QTimer poll;
    const auto show = [&] {
        const ProgressState state = progress();
        box.setLabelText(FromBytes(state.step));
        box.setRange(0, state.percent < 0 ? 0 : 100); // 0..0 is a busy bar
        box.setValue(state.percent < 0 ? 0 : state.percent);
        if (done.load()) {
            loop.quit();
        }
    };
    QObject::connect(&poll, &QTimer::timeout, &loop, show);
    show();
    box.show();
    poll.start(50);
    std::thread worker([&] {
        work();
        done.store(true);
    });
    loop.exec();
    worker.join();
}
