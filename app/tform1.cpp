#include "app/tform1.h"

#include "app/about_box.h"
#include "app/globals.h"
#include "core/dialogs.h"
#include "link/device_commands.h"
#include "link/port_selection.h"
#include "monitor/live_params.h"
#include "monitor/live_plot_window.h"
#include "monitor/log_plot_window.h"
#include "ui/qt_text.h"

#include "ui_tform1.h"

#include <QDialog>

#include <iostream>

namespace {
std::unique_ptr<Ui::TForm1> SetUp(QMainWindow* window) {
    auto ui = std::make_unique<Ui::TForm1>();
    ui->setupUi(window);
    return ui;
}

} // namespace

TForm1::TForm1(Globals& globals, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), ui_(SetUp(this)), g_(globals), dialogs_(dialogs), list2_(ui_->ListBox2),
      dataLog_(g_.log, g_.dino),
      poll_(g_.port, g_.log, dataLog_, *this), firmware_{g_.port,  g_.image, g_.firmware, g_.log,
                                                         dialogs_, loader_,  std::cout} {
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    ui_->MainMenu1->setFixedHeight(kMenuHeight);
    setFixedSize(828, 570 + kMenuHeight);
    move(0, 0);
    connectHandlers();
    FormCreate();
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setInterval(25);
    connect(&timer1_, &QTimer::timeout, this, &TForm1::Timer1Timer);
    timer1_.start();
}

TForm1::~TForm1() {
    FormDestroy();
}

void TForm1::setWindows(QDialog* config, QDialog* dino, QDialog* deviceType) {
    config_ = config;
    dino_ = dino;
    deviceType_ = deviceType;
}

void TForm1::connectHandlers() {
    auto& u = *ui_;
    connect(u.Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(u.Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(u.Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(u.Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(u.Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(u.Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(u.Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
    connect(u.Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    connect(u.Button9, &QPushButton::clicked, this, &TForm1::Button9Click);
    connect(u.Button10, &QPushButton::clicked, this, &TForm1::Button10Click);
    connect(u.BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    // Any change of the box (mouse, keyboard, an assistive tool's toggle) must reach the
    // flag, not only a click.
    connect(u.CheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);
    connect(u.ComboBox1, &QComboBox::currentTextChanged, this, &TForm1::ComboBox1Change);
    connect(u.Action1, &QAction::triggered, this, &TForm1::Action1Execute);
    connect(u.Action2, &QAction::triggered, this, &TForm1::Action2Execute);
    connect(u.Config1, &QAction::triggered, this, &TForm1::cfg1click);
    connect(u.UpdateDevice, &QAction::triggered, this, &TForm1::UpdateDeviceClick);
    connect(u.Dino1, &QAction::triggered, this, &TForm1::Dino1Click);
    connect(u.About1, &QAction::triggered, this, &TForm1::About1Click);
    connect(u.PlotLog1, &QAction::triggered, this, &TForm1::PlotLogClick);
    connect(u.LivePlot1, &QAction::triggered, this, &TForm1::LivePlotClick);
}

void TForm1::FormCreate() {
    auto& u = *ui_;
    g_.log.attach(u.ListBox1);
    g_.log.appendLine(g_.dino.ReadFile("dino.cfg") > 0 ? "dino.cfg read OK" : "dino.cfg read ERR");
    u.ListBox2->hide();
    g_.log.appendLine("RunUserMode");
    for (QWidget* w : {static_cast<QWidget*>(u.CheckBox1), static_cast<QWidget*>(u.Button3),
                       static_cast<QWidget*>(u.Button6), static_cast<QWidget*>(u.Button7),
                       static_cast<QWidget*>(u.Button8), static_cast<QWidget*>(u.Button9),
                       static_cast<QWidget*>(u.Button10), static_cast<QWidget*>(u.BitBtn1)}) {
        w->hide();
    }
    u.ComboBox1->blockSignals(true);
    for (int n = 1; n <= 99; ++n) {
        u.ComboBox1->addItem(QStringLiteral("COM%1").arg(n));
    }
    u.ComboBox1->setCurrentIndex(6);
    u.ComboBox1->blockSignals(false);

    StringGrid& grid = *u.StringGrid1;
    grid.setGridSize(5, 25);
    grid.setFixed(1, 1);
    grid.setDefaultRowHeight(16);
    const int widths[] = {64, 61, 64, 64, 64};
    for (int c = 0; c < 5; ++c) {
        grid.setColWidth(c, widths[c]);
    }
    grid.setRowSelect(true);
    grid.setEditable(false);
    for (int r = 1; r <= 24; ++r) {
        grid.setCell(0, r, std::to_string(r));
    }
    for (size_t i = 0; i < kWordParCount; ++i) {
        grid.setCell(kWordValueColumn - 1, int(i) + 1, kWordPars[i].name);
    }
    for (size_t j = 0; j < kByteParCount; ++j) {
        grid.setCell(kByteValueColumn - 1, int(j) + 1, kBytePars[j].name);
    }
    const char* header[] = {"Par_num", "Name", "Value", "Name", "Value"};
    for (int c = 0; c < 5; ++c) {
        grid.setCell(c, 0, header[c]);
    }
}

void TForm1::FormDestroy() {
    timer1_.stop();
    poll_.setFrameListener(nullptr);
    if (g_.port.isOpen()) {
        g_.port.close();
    }
}

std::string TForm1::portText() const {
    return ToBytes(ui_->ComboBox1->currentText());
}

void TForm1::Button1Click() {
    OpenDevice(g_.port, g_.log, list2_, portText(), autoFlag_);
}

void TForm1::Button10Click() {
    OpenDeviceShort(g_.port, g_.log, portText(), autoFlag_);
}

void TForm1::Button2Click() {
    CloseDevice(g_.port, g_.log);
}

void TForm1::Action1Execute() {
    ui_->Button1->click();
}

void TForm1::Action2Execute() {
    ui_->Button2->click();
}

void TForm1::CheckBox2Click() {
    autoFlag_ = ui_->CheckBox2->isChecked();
}

void TForm1::Button3Click() {
    std::string text;
    uint8_t answer[kBoardInfoSize];
    requestBoardInfo(g_.port, text, answer);
}

void TForm1::Button6Click() {
    std::string text;
    sendCommand(g_.port, Cmd::StartBootloader, text);
    g_.log.appendLine(text);
}

void TForm1::Button9Click() {
    std::string text;
    sendCommand(g_.port, Cmd::Reset, text);
    g_.log.appendLine(text);
}

void TForm1::Button4Click() {
    ui_->Button4->setText(FromBytes(dataLog_.Button4Click(poll_.runFlag())));
}

void TForm1::Button5Click() {
    poll_.Button5Click();
}

void TForm1::Timer1Timer() {
    poll_.Timer1Timer();
}

void TForm1::Button7Click() {
    ::Button7Click(firmware_);
}

void TForm1::Button8Click() {
    ::Button8Click(firmware_);
}

void TForm1::cfg1click() {
    if (config_ != nullptr) {
        config_->exec();
    }
}

void TForm1::UpdateDeviceClick() {
    ::UpdateDeviceClick(firmware_, poll_.updateCountdown(), [this] {
        if (deviceType_ != nullptr) {
            deviceType_->exec();
        }
    });
}

void TForm1::Dino1Click() {
    if (dino_ != nullptr) {
        dino_->exec();
    }
}

void TForm1::About1Click() {
    dialogs_.showMessage(AboutText(g_.port, g_.image, g_.firmware, BuildVersion()));
}

// The plot windows are not modal: the poll cycle goes on while they are open.
void TForm1::PlotLogClick() {
    if (logPlot_ == nullptr) {
        logPlot_ = new LogPlotWindow(dialogs_, this);
    }
    logPlot_->show();
    logPlot_->raise();
    if (logPlot_->path().empty()) {
        logPlot_->OpenClick();
    }
}

void TForm1::LivePlotClick() {
    if (livePlot_ == nullptr) {
        livePlot_ = new LivePlotWindow(dialogs_, this);
        poll_.setFrameListener(livePlot_);
    }
    livePlot_->show();
    livePlot_->raise();
}

void TForm1::toggleHeartbeat() {
    ui_->CheckBox1->setChecked(!ui_->CheckBox1->isChecked());
}

void TForm1::setElapsedText(const std::string& text) {
    // The text changes once a second; setting it anew would repaint the field every tick.
    const QString shown = FromBytes(text);
    if (ui_->Edit1->text() != shown) {
        ui_->Edit1->setText(shown);
    }
}

void TForm1::setStartCaption(const std::string& caption) {
    ui_->Button5->setText(FromBytes(caption));
}

void TForm1::setGridCell(int col, int row, const std::string& text) {
    ui_->StringGrid1->setCell(col, row, text);
}

void TForm1::clickCloseDevice() {
    ui_->Button2->click();
}

void TForm1::runIspSequence() {
    UpdateCountdownReachedOne(firmware_);
}
