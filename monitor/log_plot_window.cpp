#include "monitor/log_plot_window.h"

#include "core/dialogs.h"
#include "dyno/dyno_view.h"
#include "monitor/channel_chart.h"
#include "monitor/live_params.h"
#include "monitor/log_csv.h"
#include "ui/chart_png.h"
#include "ui/qt_text.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include <future>
#include <vector>

namespace {

// What a fresh log shows first: the speed and the power estimate.
const QStringList kFirstChannels = {QString::fromLatin1(kWordPars[kSpeedWord].name),
                                    QString::fromLatin1(kDinoTotalName)};

QString FileName(const std::string& path) {
    return QFileInfo(FromPath(path)).fileName();
}

QVector<QCPGraphData> Points(const LogData& data, const QString& name, double shift) {
    const auto at = std::find(data.names.begin(), data.names.end(), ToBytes(name));
    const LogColumn<float>& column = data.channels[at - data.names.begin()];
    const size_t n = data.records();
    QVector<QCPGraphData> points(static_cast<qsizetype>(n));
    QCPGraphData* point = points.data(); // taken once: operator[] checks for sharing each time
    for (size_t i = 0; i < n; ++i) {
        point[i] = {data.seconds[i] + shift, column[i]};
    }
    return points;
}

// Graph g gets the column named names[g], `shift` seconds on. Hours of log are millions
// of points, so every second graph's are made on another thread meanwhile.
void SetColumns(const std::vector<QCPGraph*>& graphs, const LogData& data, const QStringList& names,
                double shift) {
    std::vector<QVector<QCPGraphData>> points(graphs.size());
    auto make = [&](size_t first) {
        for (size_t g = first; g < graphs.size(); g += 2) {
            points[g] = Points(data, names[static_cast<qsizetype>(g)], shift);
        }
    };
    auto others = std::async(std::launch::async | std::launch::deferred, make, 1);
    make(0);
    others.get();
    for (size_t g = 0; g < graphs.size(); ++g) {
        graphs[g]->data()->set(points[g], true);
    }
}

} // namespace

LogPlotWindow::LogPlotWindow(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), chart_(new ChannelChart(this)),
      list_(new QListWidget(this)), stacked_(new QCheckBox(QStringLiteral("S&tacked"), this)),
      offset_(new QDoubleSpinBox(this)), cursor_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Plot log"));
    setObjectName(QStringLiteral("LogPlotWindow"));
    resize(1000, 640);
    stacked_->setObjectName(QStringLiteral("StackedBox"));
    stacked_->setChecked(true);
    list_->setObjectName(QStringLiteral("ChannelList"));
    cursor_->setObjectName(QStringLiteral("CursorLabel"));
    cursor_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cursor_->setWordWrap(true);

    auto* bar = new QHBoxLayout;
    connect(button("OpenButton", QStringLiteral("&Open...")), &QPushButton::clicked, this,
            &LogPlotWindow::OpenClick);
    connect(button("ReloadButton", QStringLiteral("&Reload")), &QPushButton::clicked, this,
            &LogPlotWindow::ReloadClick);
    connect(button("AddLogButton", QStringLiteral("&Add log...")), &QPushButton::clicked, this,
            &LogPlotWindow::AddLogClick);
    connect(button("FitButton", QStringLiteral("&Fit")), &QPushButton::clicked, this,
            &LogPlotWindow::FitClick);
    connect(button("SavePngButton", QStringLiteral("&Save PNG...")), &QPushButton::clicked, this,
            &LogPlotWindow::SavePngClick);
    connect(button("ExportCsvButton", QStringLiteral("&Export CSV...")), &QPushButton::clicked,
            this, &LogPlotWindow::ExportCsvClick);
    selectPull_ = button("SelectPullButton", QStringLiteral("Select &pull"));
    selectPull_->setCheckable(true);
    for (int p = 0; p < 2; ++p) {
        pulls_[p] = button(p == 0 ? "Pull1Button" : "Pull2Button",
                           QStringLiteral("Dyno pull &%1").arg(p + 1));
        pulls_[p]->setEnabled(false);
        connect(pulls_[p], &QPushButton::clicked, this, [this, p] { PullClick(p); });
    }
    for (QObject* child : children()) {
        if (auto* b = qobject_cast<QPushButton*>(child)) {
            bar->addWidget(b);
        }
    }
    bar->insertWidget(4, stacked_);
    offset_->setObjectName(QStringLiteral("OffsetBox"));
    offset_->setRange(-1e6, 1e6);
    offset_->setDecimals(1);
    offset_->setSingleStep(0.1);
    offset_->setPrefix(QStringLiteral("Offset "));
    offset_->setSuffix(QStringLiteral(" s"));
    offset_->setToolTip(QStringLiteral("Time offset of the added log (or drag it with Shift)"));
    offset_->setEnabled(false);
    bar->addWidget(offset_);
    bar->addStretch();

    auto* split = new QSplitter(this);
    split->addWidget(list_);
    split->addWidget(chart_);
    split->setStretchFactor(1, 1);
    split->setSizes({170, 830});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    layout->addWidget(cursor_);

    connect(list_, &QListWidget::itemChanged, this, &LogPlotWindow::plotChosen);
    connect(stacked_, &QCheckBox::toggled, this, &LogPlotWindow::plotChosen);
    connect(selectPull_, &QPushButton::toggled, chart_, &ChannelChart::setSpanSelecting);
    connect(chart_, &ChannelChart::spanSelected, this, &LogPlotWindow::selectSpan);
    connect(offset_, &QDoubleSpinBox::valueChanged, this, &LogPlotWindow::plotOverlay);
    connect(chart_, &ChannelChart::overlayDragged, this,
            [this](double seconds) { offset_->setValue(offset_->value() + seconds); });
    connect(chart_, &ChannelChart::cursorMoved, this,
            [this] { cursor_->setText(chart_->cursorText()); });
}

QPushButton* LogPlotWindow::button(const char* name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

DynoView* LogPlotWindow::dynoView() {
    if (dyno_ == nullptr) {
        dyno_ = new DynoView(dialogs_, this);
    }
    return dyno_;
}

bool LogPlotWindow::openLog(const std::string& path) {
    LogData data = ReadDataLog(path);
    // A log opened before its first record is kept: Reload fills it in.
    if (!data.failure.empty() && !data.awaitingRecords) {
        dialogs_.showMessage(data.failure);
        return false;
    }
    const bool samePath = path == path_ && data_.records() > 0;
    const QStringList chosen = path == path_ ? chosenChannels() : kFirstChannels;
    const QCPRange view = chart_->timeRange();
    if (path != path_) {
        overlay_ = LogData();
        overlayPath_.clear();
        offset_->setEnabled(false);
    }
    data_ = std::move(data);
    path_ = path;
    setWindowTitle(QStringLiteral("Plot log - ") + FileName(path));
    fillList();
    CheckChannels(*list_, chosen);
    chartChosen();
    if (samePath) {
        fitValues();
        chart_->setTimeRange(view);
        chart_->replot();
    } else {
        selectSpan(0, 0);
        chart_->fit();
    }
    showCursorValues();
    if (!data_.problems.empty()) {
        dialogs_.showMessage(data_.problemText());
    }
    if (data_.awaitingRecords) {
        cursor_->setText(FromBytes(data_.failure));
    }
    return true;
}

void LogPlotWindow::fillList() {
    QStringList names;
    for (const std::string& name : data_.names) {
        names << FromBytes(name);
    }
    FillChannelList(*list_, names);
}

QStringList LogPlotWindow::chosenChannels() const {
    return CheckedChannels(*list_);
}

void LogPlotWindow::chooseChannels(const QStringList& names) {
    CheckChannels(*list_, names);
    plotChosen();
}

void LogPlotWindow::plotChosen() {
    chartChosen();
    fitValues();
    chart_->replot();
    showCursorValues();
}

void LogPlotWindow::chartChosen() {
    const QStringList names = chosenChannels();
    chart_->setChannels(names, stacked_->isChecked());
    std::vector<QCPGraph*> graphs;
    for (int g = 0; g < names.size(); ++g) {
        graphs.push_back(chart_->channelGraph(g));
    }
    SetColumns(graphs, data_, names, shift());
    if (overlay_.records() > 0 && !names.isEmpty()) {
        chart_->addOverlay(FileName(path_), FileName(overlayPath_));
        chartOverlay();
    }
}

void LogPlotWindow::fitValues() {
    if (chart_->channelCount() == 0 || chart_->channelGraph(0)->dataCount() == 0) {
        return;
    }
    for (int g = 0; g < chart_->channelCount(); ++g) {
        chart_->channelGraph(g)->rescaleValueAxis(false);
        if (chart_->hasOverlay()) {
            chart_->overlayGraph(g)->rescaleValueAxis(true);
        }
    }
}

void LogPlotWindow::showCursorValues() {
    if (chart_->hasOverlay() ||
        (chart_->channelCount() > 0 && chart_->channelGraph(0)->dataCount() > 0)) {
        cursor_->setText(chart_->cursorText());
    }
}

void LogPlotWindow::plotOverlay() {
    if (!chart_->hasOverlay()) {
        return;
    }
    chartOverlay();
    chart_->replot();
    cursor_->setText(chart_->cursorText());
}

void LogPlotWindow::chartOverlay() {
    const double start = overlay_.seconds.front() - offset_->value();
    std::vector<QCPGraph*> graphs;
    QStringList names;
    for (int g = 0; g < chart_->channelCount(); ++g) {
        graphs.push_back(chart_->overlayGraph(g));
        names << chart_->channelGraph(g)->valueAxis()->label();
    }
    SetColumns(graphs, overlay_, names, -start);
}

double LogPlotWindow::shift() const {
    return overlay_.records() > 0 && data_.records() > 0 ? -data_.seconds.front() : 0;
}

bool LogPlotWindow::addLog(const std::string& path) {
    LogData data = ReadDataLog(path);
    if (!data.failure.empty()) {
        dialogs_.showMessage(data.failure);
        return false;
    }
    if (!data.problems.empty()) {
        dialogs_.showMessage(data.problemText());
    }
    const double before = shift();
    overlay_ = std::move(data);
    overlayPath_ = path;
    {
        const QSignalBlocker quiet(offset_);
        offset_->setValue(0);
    }
    offset_->setEnabled(true);
    selectSpan(spanFrom_ - before + shift(), spanTo_ - before + shift());
    chartChosen();
    chart_->fit();
    showCursorValues();
    return true;
}

void LogPlotWindow::selectSpan(double from, double to) {
    spanFrom_ = from;
    spanTo_ = to;
    chart_->setSpan(QCPRange(from, to));
    for (QPushButton* pull : pulls_) {
        pull->setEnabled(to > from);
    }
}

void LogPlotWindow::OpenClick() {
    if (const auto path = dialogs_.chooseOpenFile()) {
        openLog(*path);
    }
}

void LogPlotWindow::AddLogClick() {
    if (data_.records() == 0) {
        return;
    }
    if (const auto path = dialogs_.chooseOpenFile()) {
        addLog(*path);
    }
}

void LogPlotWindow::ReloadClick() {
    if (!path_.empty()) {
        openLog(path_);
    }
}

void LogPlotWindow::FitClick() {
    chart_->fit();
}

void LogPlotWindow::SavePngClick() {
    const QFileInfo log(FromPath(path_.empty() ? std::string("plot") : path_));
    SaveChartPng(*chart_, dialogs_, ToPath(log.dir().filePath(log.completeBaseName() + ".png")));
}

void LogPlotWindow::ExportCsvClick() {
    std::vector<size_t> channels;
    for (const QString& name : chosenChannels()) {
        const auto at = std::find(data_.names.begin(), data_.names.end(), ToBytes(name));
        channels.push_back(static_cast<size_t>(at - data_.names.begin()));
    }
    if (channels.empty()) {
        for (size_t c = 0; c < data_.names.size(); ++c) {
            channels.push_back(c);
        }
    }
    const QFileInfo log(FromPath(path_.empty() ? std::string("plot") : path_));
    const auto chosen = dialogs_.chooseSaveFile(
        ToPath(log.dir().filePath(log.completeBaseName() + QStringLiteral(".csv"))));
    if (!chosen) {
        return;
    }
    const QCPRange view = chart_->timeRange();
    if (!ExportLogCsv(*chosen, data_, channels, view.lower - shift(), view.upper - shift())) {
        dialogs_.showMessage("Can't save " + *chosen);
    }
}

void LogPlotWindow::PullClick(int index) {
    if (!(spanTo_ > spanFrom_)) {
        return;
    }
    const QString label = QStringLiteral("%1, %2-%3 s")
                              .arg(FileName(path_))
                              .arg(spanFrom_ - shift(), 0, 'f', 1)
                              .arg(spanTo_ - shift(), 0, 'f', 1);
    DynoView* view = dynoView();
    view->setPull(index, PullFromLog(data_, spanFrom_ - shift(), spanTo_ - shift()), label);
    view->show();
    view->raise();
}

#include "moc_log_plot_window.cpp"
