#pragma once

#include "monitor/log_reader.h"

#include <QWidget>

#include <string>

class ChannelChart;
class Dialogs;
class DynoView;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;

// "Plot log": a data log's channels against time, chosen by their header names,
// with a cursor, zoom and pan, a picture of the view, and pulls for the dyno view.
class LogPlotWindow : public QWidget {
    Q_OBJECT
  public:
    explicit LogPlotWindow(Dialogs& dialogs, QWidget* parent = nullptr);

    // Reads the log and plots it; what could not be read is shown in one box.
    bool openLog(const std::string& path);
    const LogData& data() const { return data_; }
    const std::string& path() const { return path_; }
    // Lays a second log over the charts, both from zero seconds; false when it could
    // not be read. Opening another log drops it.
    bool addLog(const std::string& path);
    const LogData& overlay() const { return overlay_; }
    QDoubleSpinBox* offsetBox() const { return offset_; }

    // Channel names as checked in the list, in list order.
    QStringList chosenChannels() const;
    void chooseChannels(const QStringList& names);

    // The selected time span (a pull); empty when none is selected.
    void selectSpan(double from, double to);

    ChannelChart* chart() const { return chart_; }
    QListWidget* channelList() const { return list_; }
    QCheckBox* stackedBox() const { return stacked_; }
    QLabel* cursorLabel() const { return cursor_; }
    DynoView* dynoView();

  public slots:
    void OpenClick();
    void AddLogClick();
    void ReloadClick();
    void FitClick();
    void SavePngClick();
    // The chosen channels (all when none is chosen) over the time in view, as CSV.
    void ExportCsvClick();
    // Hands the selected span to the dyno view as pull 1 or 2 and shows it.
    void PullClick(int index);

  private:
    QPushButton* button(const char* name, const QString& text);
    void fillList();
    void plotChosen();
    void plotOverlay();
    // The chosen channels of both logs into the chart, not yet drawn: each drawing of
    // hours of a log costs, so a change draws once, after it is complete.
    void chartChosen();
    void chartOverlay();
    // Each value axis fits its own channel; the time stays where the user put it.
    void fitValues();
    void showCursorValues();
    // Chart time minus log time: with an overlay both logs start at zero.
    double shift() const;

    Dialogs& dialogs_;
    LogData data_;
    std::string path_;
    LogData overlay_;
    std::string overlayPath_;
    ChannelChart* chart_;
    QListWidget* list_;
    QCheckBox* stacked_;
    QDoubleSpinBox* offset_;
    QPushButton* selectPull_;
    QPushButton* pulls_[2];
    QLabel* cursor_;
    double spanFrom_ = 0;
    double spanTo_ = 0;
    DynoView* dyno_ = nullptr;
};
