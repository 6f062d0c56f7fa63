#include "monitor/live_plot_window.h"

#include "monitor/channel_chart.h"
#include "ui/chart_png.h"
#include "ui/qt_text.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

LivePlotWindow::LivePlotWindow(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), chart_(new ChannelChart(this)),
      list_(new QListWidget(this)), stacked_(new QCheckBox(QStringLiteral("S&tacked"), this)),
      graphOf_(LiveHistory::kChannelCount, -1) {
    setWindowTitle(QStringLiteral("Live plot"));
    setObjectName(QStringLiteral("LivePlotWindow"));
    resize(900, 560);
    list_->setObjectName(QStringLiteral("ChannelList"));
    stacked_->setObjectName(QStringLiteral("StackedBox"));
    stacked_->setChecked(true);
    QStringList names;
    for (const std::string& name : LiveHistory::ChannelNames()) {
        names << FromBytes(name);
    }
    FillChannelList(*list_, names);
    auto* save = new QPushButton(QStringLiteral("&Save PNG..."), this);
    save->setObjectName(QStringLiteral("SavePngButton"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(stacked_);
    bar->addStretch();
    bar->addWidget(save);
    auto* split = new QSplitter(this);
    split->addWidget(list_);
    split->addWidget(chart_);
    split->setStretchFactor(1, 1);
    split->setSizes({170, 730});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    connect(list_, &QListWidget::itemChanged, this, &LivePlotWindow::plotChosen);
    connect(stacked_, &QCheckBox::toggled, this, &LivePlotWindow::plotChosen);
    connect(save, &QPushButton::clicked, this, &LivePlotWindow::SavePngClick);
    chooseChannels({QStringLiteral("speed_kmh"), QStringLiteral("throt")});
}

void LivePlotWindow::chooseChannels(const QStringList& names) {
    CheckChannels(*list_, names);
    plotChosen();
}

void LivePlotWindow::plotChosen() {
    QStringList names;
    std::fill(graphOf_.begin(), graphOf_.end(), -1);
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->checkState() == Qt::Checked) {
            graphOf_[static_cast<size_t>(i)] = static_cast<int>(names.size());
            names << list_->item(i)->text();
        }
    }
    chart_->setChannels(names, stacked_->isChecked());
    for (size_t c = 0; c < graphOf_.size(); ++c) {
        if (graphOf_[c] < 0) {
            continue;
        }
        QCPGraph* graph = chart_->channelGraph(graphOf_[c]);
        for (const LiveSample& s : history_.samples(c)) {
            graph->addData(s.seconds, s.value);
        }
        graph->rescaleValueAxis(false);
    }
    scrollTo(history_.latestSeconds());
}

void LivePlotWindow::frameArrived(const DecodedFrame& frame) {
    const size_t first = history_.add(frame);
    if (!isVisible()) {
        return;
    }
    const double now = history_.latestSeconds();
    for (size_t c = first; c < first + LiveHistory::channelsOf(frame.kind); ++c) {
        if (graphOf_[c] < 0) {
            continue;
        }
        QCPGraph* graph = chart_->channelGraph(graphOf_[c]);
        const double value = history_.samples(c).back().value;
        graph->addData(now, value);
        graph->data()->removeBefore(now - LiveHistory::kSpanSeconds);
        // The value axis only grows, so a steady value does not make it jump.
        QCPAxis* axis = graph->valueAxis();
        if (!axis->range().contains(value)) {
            axis->setRange(axis->range().expanded(value));
        }
    }
    scrollTo(now);
}

void LivePlotWindow::scrollTo(double seconds) {
    chart_->setTimeRange(QCPRange(seconds - LiveHistory::kSpanSeconds, seconds));
    // Drawn once the tick has returned, and once for several frames that came together.
    chart_->replot(QCustomPlot::rpQueuedReplot);
}

void LivePlotWindow::SavePngClick() {
    SaveChartPng(*chart_, dialogs_, "live.png");
}

#include "moc_live_plot_window.cpp"
