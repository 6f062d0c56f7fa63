#pragma once

#include "app/main_controller.h"
#include "firmware/library_loader.h"
#include "ui/qt_list_sink.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
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
// the message log. Each handler forwards to the controller, which shows its results
// through this window.
class TForm1 : public QMainWindow, private MainView {
    Q_OBJECT
  public:
    TForm1(Globals& globals, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TForm1() override;

    // Makes the window shown modally from the menu, once, the first time it is asked for.
    using WindowMaker = std::function<QDialog*(MainView::Window)>;
    void setWindowMaker(WindowMaker maker) { makeWindow_ = std::move(maker); }

    Ui::TForm1& ui() { return *ui_; }
    MainController& controller() { return controller_; }
    // The plot windows, made on first use (nullptr before).
    LogPlotWindow* logPlot() const { return logPlot_; }
    LivePlotWindow* livePlot() const { return livePlot_; }
    bool autoFlag() const { return controller_.autoFlag(); }

    // The menu bar has a fixed height so the controls' positions are known on screen.
    static constexpr int kMenuHeight = 20;

  public slots:
    void Button1Click() { controller_.openPort(); }
    void Button2Click() { controller_.closePort(); }
    void Button3Click() { controller_.sendBoardInfoRequest(); }
    void Button4Click() { controller_.toggleDataLog(); }
    void Button5Click() { controller_.toggleRun(); }
    void Button6Click() { controller_.startBootloader(); }
    void Button7Click() { controller_.loadBoardTwoImage(); }
    void Button8Click() { controller_.programImageBuffer(); }
    void Button9Click() { controller_.resetDevice(); }
    void Button10Click() { controller_.openPortShort(); }
    void CheckBox2Click();
    void ComboBox1Change() {}
    void BitBtn1Click() {}
    void Action1Execute();
    void Action2Execute();
    void Timer1Timer() { controller_.tick(); }
    void cfg1click() { controller_.showConfig(); }
    void UpdateDeviceClick() { controller_.updateDevice(); }
    void Dino1Click() { controller_.showDino(); }
    void About1Click() { controller_.showAbout(); }
    void PlotLogClick();
    void LivePlotClick();

  private:
    void setUpGrid();
    void connectHandlers();

    // MainView
    void toggleHeartbeat() override;
    void setElapsedText(const std::string& text) override;
    void setStartCaption(const std::string& caption) override;
    void setGridCell(int col, int row, const std::string& text) override;
    ListSink& messageList() override;
    ListSink& candidateList() override { return list2_; }
    void hideControl(const char* name) override;
    void setPortList(const std::vector<std::string>& ports, int selected) override;
    std::string portText() const override;
    void setLogCaption(const std::string& caption) override;
    void showModal(Window window) override;

    std::unique_ptr<Ui::TForm1> ui_;
    Dialogs& dialogs_;
    QtListSink list2_;
    SystemLibraryLoader loader_;
    MainController controller_;
    QTimer timer1_;
    WindowMaker makeWindow_;
    QDialog* made_[3] = {}; // by MainView::Window
    LogPlotWindow* logPlot_ = nullptr;
    LivePlotWindow* livePlot_ = nullptr;
};
