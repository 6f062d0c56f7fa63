#pragma once

#include "firmware/library_loader.h"
#include "firmware/update_workflow.h"
#include "monitor/data_log.h"
#include "monitor/poll_cycle.h"
#include "ui/qt_list_sink.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

namespace Ui {
class TForm1;
}
class Dialogs;
struct Globals;
class QDialog;
class LogPlotWindow;
class LivePlotWindow;

// The main window "Logger": port controls, Start/Stop, FileLog, the live grid and
// the message log. Each handler forwards to the core and shows what it returns.
class TForm1 : public QMainWindow, private PollView {
    Q_OBJECT
  public:
    TForm1(Globals& globals, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    // The windows created after this one, shown modally from the menu.
    void setWindows(QDialog* config, QDialog* dino, QDialog* deviceType);

    Ui::TForm1& ui() { return *ui_; }
    PollCycle& pollCycle() { return poll_; }
    DataLog& dataLog() { return dataLog_; }
    // The plot windows, made on first use (nullptr before).
    LogPlotWindow* logPlot() const { return logPlot_; }
    LivePlotWindow* livePlot() const { return livePlot_; }
    bool autoFlag() const { return autoFlag_; }

    // The menu bar has a fixed height so the controls' positions are known on screen.
    static constexpr int kMenuHeight = 20;

  public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void CheckBox2Click();
    void ComboBox1Change() {}
    void BitBtn1Click() {}
    void Action1Execute();
    void Action2Execute();
    void Timer1Timer();
    void cfg1click();
    void UpdateDeviceClick();
    void Dino1Click();
    void About1Click();
    void PlotLogClick();
    void LivePlotClick();

  private:
    void FormCreate();
    void FormDestroy();
    void connectHandlers();
    std::string portText() const;

    // PollView
    void toggleHeartbeat() override;
    void setElapsedText(const std::string& text) override;
    void setStartCaption(const std::string& caption) override;
    void setGridCell(int col, int row, const std::string& text) override;
    void clickCloseDevice() override;
    void runIspSequence() override;

    std::unique_ptr<Ui::TForm1> ui_;
    Globals& g_;
    Dialogs& dialogs_;
    QtListSink list2_;
    DataLog dataLog_;
    PollCycle poll_;
    SystemLibraryLoader loader_;
    FirmwareContext firmware_;
    QTimer timer1_;
    bool autoFlag_ = true;
    QDialog* config_ = nullptr;
    QDialog* dino_ = nullptr;
    QDialog* deviceType_ = nullptr;
    LogPlotWindow* logPlot_ = nullptr;
    LivePlotWindow* livePlot_ = nullptr;
};
