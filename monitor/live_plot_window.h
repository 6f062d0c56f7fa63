#pragma once

#include "monitor/frame_listener.h"
#include "monitor/live_history.h"

#include <QWidget>

class ChannelChart;
class Dialogs;
class QCheckBox;
class QListWidget;

// "Live plot": the chosen live values of the last minute as they arrive, scrolling.
// A frame listener; while hidden it only keeps the history.
class LivePlotWindow : public QWidget, public FrameListener {
    Q_OBJECT
  public:
    explicit LivePlotWindow(Dialogs& dialogs, QWidget* parent = nullptr);

    void frameArrived(const DecodedFrame& frame) override;

    void chooseChannels(const QStringList& names);
    ChannelChart* chart() const { return chart_; }
    QListWidget* channelList() const { return list_; }
    const LiveHistory& history() const { return history_; }

  public slots:
    void SavePngClick();

  private:
    void plotChosen();
    void scrollTo(double seconds);

    Dialogs& dialogs_;
    LiveHistory history_;
    ChannelChart* chart_;
    QListWidget* list_;
    QCheckBox* stacked_;
    // For each channel of the history, its graph index in the chart, or -1.
    std::vector<int> graphOf_;
};
