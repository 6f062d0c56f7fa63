#pragma once

#include <qcustomplot.h>

#include <QStringList>

#include <vector>

// Channels against time in seconds: a column of charts sharing the time axis
// (stacked), or one chart with a value axis per channel. The mouse wheel and drag
// zoom and pan the time; the keys do too (arrows, + and -, Home fits). A cursor line
// follows the mouse and reports its time.
class ChannelChart : public QCustomPlot {
    Q_OBJECT
  public:
    explicit ChannelChart(QWidget* parent = nullptr);

    // Drops the graphs and makes one empty graph per name.
    void setChannels(const QStringList& names, bool stacked);
    int channelCount() const { return static_cast<int>(graphs_.size()); }
    QCPGraph* channelGraph(int i) const { return graphs_[static_cast<size_t>(i)]; }
    // A second log over each channel: dashed, in the channel's colour, on its axes; the
    // first chart gets a legend naming both logs. Gone with the next setChannels.
    void addOverlay(const QString& name, const QString& overlayName);
    QCPGraph* overlayGraph(int i) const { return overlays_[static_cast<size_t>(i)]; }
    bool hasOverlay() const { return !overlays_.empty(); }
    bool stacked() const { return stacked_; }

    QCPRange timeRange() const;
    void setTimeRange(const QCPRange& range);
    // Every channel's data in view.
    void fit();
    void zoomTime(double factor);
    void panTime(double fraction);
    // The x position in pixels of a time (for tests and scripted selection).
    double pixelOfTime(double seconds) const;

    // NaN hides the cursor.
    void setCursorTime(double seconds);
    double cursorTime() const { return cursor_; }
    // Each channel's value at the cursor, "name value" separated by blanks.
    QString cursorText() const;

    // A shaded time span on every chart (a selected pull); an empty range hides it.
    void setSpan(const QCPRange& range);

  signals:
    void cursorMoved(double seconds);
    // A drag with Shift held moves the overlay in time by this much.
    void overlayDragged(double seconds);
    void spanSelected(double from, double to);

  public:
    // Drag selects a span instead of panning the time.
    void setSpanSelecting(bool on);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QCPAxisRect* addRect();
    QCPAxis* timeAxis() const;
    void linkTimeAxes();
    void placeItems();

    std::vector<QCPAxisRect*> rects_;
    std::vector<QCPGraph*> graphs_;
    std::vector<QCPGraph*> overlays_;
    std::vector<QCPItemStraightLine*> cursorLines_;
    std::vector<QCPItemRect*> spans_;
    QCPMarginGroup* margins_;
    QCPLayer* overlay_ = nullptr;
    QCPRange span_;
    double cursor_;
    double overlayDragFrom_;
    bool stacked_ = false;
};

// The colour of channel i.
QColor ChannelColour(int i);
// "123", "1.25": a value as the cursor text shows it.
QString ValueText(double value);

class QListWidget;
// The channel list beside a chart: names with check boxes.
void FillChannelList(QListWidget& list, const QStringList& names);
QStringList CheckedChannels(const QListWidget& list);
// Checks exactly the given names, without signalling each change.
void CheckChannels(QListWidget& list, const QStringList& names);
