#include "firmware/tform4.h"

#include "firmware/device_types.h"
#include "ui_tform4.h"

#include <QFocusEvent>

TForm4::TForm4(FirmwareState& state, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm4>()), state_(state), dialogs_(dialogs) {
    ui_->setupUi(this);
    setFixedSize(319, 143);
    move(0, 0);
    for (const Board& board : kBoards) {
        ui_->ComboBox1->addItem(board.listText);
    }
    ui_->ComboBox1->setCurrentIndex(-1);
    ui_->ComboBox1->setEditText("Choose device type");
    ui_->CheckBox1->installEventFilter(this);
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

TForm4::~TForm4() = default;

QCheckBox* TForm4::CheckBox1() const {
    return ui_->CheckBox1;
}
QComboBox* TForm4::ComboBox1() const {
    return ui_->ComboBox1;
}
QPushButton* TForm4::Button1() const {
    return ui_->Button1;
}

void TForm4::Button1Click() {
    ApplyDeviceTypeChoice(ui_->CheckBox1->isChecked(), ui_->ComboBox1->currentIndex(), state_,
                          dialogs_);
}

void TForm4::FormClose() {
    Button1Click();
    QDialog::reject();
}

void TForm4::reject() {
    FormClose();
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->CheckBox1 && event->type() == QEvent::FocusOut) {
        // Only focus moving to another control of this dialog counts; the dialog
        // losing activation (a box opening, the dialog closing) does not.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            isVisible()) {
            Button1Click();
        }
    }
    return QDialog::eventFilter(watched, event);
}

#include "moc_tform4.cpp"
