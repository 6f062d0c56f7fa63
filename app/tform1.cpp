#include "app/tform1.h"

#include "app/globals.h"
#include "monitor/live_plot_window.h"
#include "monitor/log_plot_window.h"
#include "monitor/tick.h"
#include "ui/qt_text.h"

#include "ui_tform1.h"

#include <QDialog>

namespace {
std::unique_ptr<Ui::TForm1> SetUp(QMainWindow* window) {
    auto ui = std::make_unique<Ui::TForm1>();
    ui->setupUi(window);
    return ui;
}

} // namespace

TForm1::TForm1(Globals& globals, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), ui_(SetUp(this)), dialogs_(dialogs), list2_(ui_->ListBox2),
      controller_(globals, dialogs, *this, loader_) {
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    ui_->MainMenu1->setFixedHeight(kMenuHeight);
    setFixedSize(828, 570 + kMenuHeight);
    move(0, 0);
    setUpGrid();
    connectHandlers();
    controller_.setUpWindow();
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setInterval(int(kTickMilliseconds));
    connect(&timer1_, &QTimer::timeout, this, &TForm1::Timer1Timer);
    timer1_.start();
}

TForm1::~TForm1() {
    timer1_.stop();
    controller_.shutDown();
}

void TForm1::setUpGrid() {
    StringGrid& grid = *ui_->StringGrid1;
    grid.setGridSize(LiveGrid::kColumnCount, LiveGrid::kRowCount);
    grid.setFixed(1, 1);
    grid.setDefaultRowHeight(LiveGrid::kRowHeight);
    for (int c = 0; c < LiveGrid::kColumnCount; ++c) {
        grid.setColWidth(c, LiveGrid::kColumnWidths[size_t(c)]);
    }
    // The names column is narrower than some names.
    for (const int valueCol : {LiveGrid::kWordValueColumn, LiveGrid::kByteValueColumn}) {
        grid.setCutTextTips(valueCol - 1, true);
    }
    grid.setRowSelect(true);
    grid.setEditable(false);
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

void TForm1::Action1Execute() {
    ui_->Button1->click();
}

void TForm1::Action2Execute() {
    ui_->Button2->click();
}

void TForm1::CheckBox2Click() {
    controller_.setAutoSearch(ui_->CheckBox2->isChecked());
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
        controller_.pollCycle().addListener(*livePlot_);
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

ListSink& TForm1::messageList() {
    return *ui_->ListBox1;
}

void TForm1::hideControl(const char* name) {
    if (auto* control = findChild<QWidget*>(QString::fromLatin1(name))) {
        control->hide();
    }
}

void TForm1::setPortList(const std::vector<std::string>& ports, int selected) {
    // Filling the list is not a change of the user's choice.
    const QSignalBlocker quiet(ui_->ComboBox1);
    for (const std::string& port : ports) {
        ui_->ComboBox1->addItem(FromBytes(port));
    }
    ui_->ComboBox1->setCurrentIndex(selected);
}

std::string TForm1::portText() const {
    return ToBytes(ui_->ComboBox1->currentText());
}

void TForm1::setLogCaption(const std::string& caption) {
    ui_->Button4->setText(FromBytes(caption));
}

void TForm1::showModal(Window window) {
    QDialog*& shown = made_[static_cast<size_t>(window)];
    if (shown == nullptr && makeWindow_) {
        shown = makeWindow_(window);
    }
    if (shown != nullptr) {
        shown->exec();
    }
}

#include "moc_tform1.cpp"
