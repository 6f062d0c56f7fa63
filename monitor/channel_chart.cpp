#include "monitor/channel_chart.h"

#include <QListWidget>

#include <cmath>
#include <limits>

namespace {
constexpr double kNoTime = std::numeric_limits<double>::quiet_NaN();
constexpr double kPanStep = 0.1;
constexpr double kZoomStep = 1.5;
} // namespace

QColor ChannelColour(int i) {
    static const QColor colours[] = {
        QColor(31, 119, 180),  QColor(214, 39, 40), QColor(44, 160, 44),   QColor(255, 127, 14),
        QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(23, 190, 207)};
    return colours[i % 8];
}

QString ValueText(double value) {
    if (std::isnan(value)) {
        return QStringLiteral("-");
    }
    return value == std::floor(value) ? QString::number(value, 'f', 0)
                                      : QString::number(value, 'f', 2);
}

ChannelChart::ChannelChart(QWidget* parent)
    : QCustomPlot(parent), margins_(new QCPMarginGroup(this)), cursor_(kNoTime),
      overlayDragFrom_(kNoTime) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    setAutoAddPlottableToLegend(false);
    // Hours of a log in view are hundreds of thousands of points: thin solid lines
    // drawn as plain polylines keep a pan step within a frame.
    setPlottingHint(QCP::phFastPolylines, true);
    setNotAntialiasedElements(QCP::aePlottables);
    addLayer(QStringLiteral("cursor"), layer(QStringLiteral("main")), limAbove);
    overlay_ = layer(QStringLiteral("cursor"));
    // The cursor moves with the mouse: only its own layer is drawn again.
    overlay_->setMode(QCPLayer::lmBuffered);
    connect(selectionRect(), &QCPSelectionRect::accepted, this,
            [this](const QRect& rect, QMouseEvent*) {
                QCPAxis* axis = timeAxis();
                if (axis != nullptr) {
                    const double a = axis->pixelToCoord(rect.left());
                    const double b = axis->pixelToCoord(rect.right());
                    emit spanSelected(std::min(a, b), std::max(a, b));
                }
            });
    setChannels({}, false);
}

void ChannelChart::setChannels(const QStringList& names, bool stacked) {
    const QCPRange keep = rects_.empty() ? QCPRange(0, 60) : timeRange();
    clearItems();
    clearGraphs();
    plotLayout()->clear();
    rects_.clear();
    graphs_.clear();
    overlays_.clear();
    cursorLines_.clear();
    spans_.clear();
    stacked_ = stacked;
    plotLayout()->setRowSpacing(0);
    QCPAxisRect* rect = addRect();
    for (int i = 0; i < names.size(); ++i) {
        if (stacked && i > 0) {
            rect = addRect();
        }
        QCPAxis* valueAxis = rect->axis(QCPAxis::atLeft);
        if (!stacked && i > 0) {
            valueAxis = rect->addAxis(QCPAxis::atLeft);
        }
        const QColor colour = ChannelColour(i);
        valueAxis->setLabel(names[i]);
        valueAxis->setLabelColor(colour);
        valueAxis->setTickLabelColor(colour);
        valueAxis->setBasePen(QPen(colour));
        QCPGraph* graph = addGraph(rect->axis(QCPAxis::atBottom), valueAxis);
        graph->setPen(QPen(colour, 1));
        graph->setName(names[i]);
        graph->setAdaptiveSampling(true);
        graphs_.push_back(graph);
    }
    rects_.back()->axis(QCPAxis::atBottom)->setLabel(QStringLiteral("Time, s"));
    linkTimeAxes();
    placeItems();
    setTimeRange(keep);
}

void ChannelChart::addOverlay(const QString& name, const QString& overlayName) {
    auto* legend = new QCPLegend;
    rects_.front()->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignRight);
    legend->setLayer(QStringLiteral("legend"));
    legend->setBrush(QColor(255, 255, 255, 200));
    for (size_t i = 0; i < graphs_.size(); ++i) {
        QCPGraph* graph = graphs_[i];
        QCPGraph* over = addGraph(graph->keyAxis(), graph->valueAxis());
        over->setPen(QPen(graph->pen().color(), 1, Qt::DashLine));
        over->setName(graph->name() + QStringLiteral(" (") + overlayName + QStringLiteral(")"));
        over->setAdaptiveSampling(true);
        overlays_.push_back(over);
        graph->setName(graph->name() + QStringLiteral(" (") + name + QStringLiteral(")"));
        if (i == 0) {
            graph->addToLegend(legend);
            over->addToLegend(legend);
        }
    }
}

QCPAxisRect* ChannelChart::addRect() {
    auto* rect = new QCPAxisRect(this);
    plotLayout()->addElement(static_cast<int>(rects_.size()), 0, rect);
    rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins_);
    rect->setRangeDrag(Qt::Horizontal);
    rect->setRangeZoom(Qt::Horizontal);
    rect->setRangeDragAxes(rect->axis(QCPAxis::atBottom), nullptr);
    rect->setRangeZoomAxes(rect->axis(QCPAxis::atBottom), nullptr);
    rects_.push_back(rect);
    return rect;
}

QCPAxis* ChannelChart::timeAxis() const {
    return rects_.empty() ? nullptr : rects_.back()->axis(QCPAxis::atBottom);
}

void ChannelChart::linkTimeAxes() {
    for (QCPAxisRect* rect : rects_) {
        connect(rect->axis(QCPAxis::atBottom), qOverload<const QCPRange&>(&QCPAxis::rangeChanged),
                this, [this](const QCPRange& range) {
                    for (QCPAxisRect* other : rects_) {
                        other->axis(QCPAxis::atBottom)->setRange(range);
                    }
                });
    }
}

void ChannelChart::placeItems() {
    for (QCPAxisRect* rect : rects_) {
        auto* line = new QCPItemStraightLine(this);
        line->setLayer(overlay_);
        line->setClipAxisRect(rect);
        line->setPen(QPen(QColor(60, 60, 60), 1, Qt::DashLine));
        for (QCPItemPosition* p : {line->point1, line->point2}) {
            p->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            p->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        cursorLines_.push_back(line);
        auto* span = new QCPItemRect(this);
        span->setLayer(overlay_);
        span->setClipAxisRect(rect);
        span->setPen(Qt::NoPen);
        span->setBrush(QColor(255, 200, 0, 70));
        for (QCPItemPosition* p : {span->topLeft, span->bottomRight}) {
            p->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            p->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        spans_.push_back(span);
    }
    setCursorTime(cursor_);
    setSpan(span_);
}

QCPRange ChannelChart::timeRange() const {
    return timeAxis()->range();
}

void ChannelChart::setTimeRange(const QCPRange& range) {
    timeAxis()->setRange(range);
}

void ChannelChart::fit() {
    bool first = true;
    for (QCPGraph* graph : graphs_) {
        if (graph->dataCount() == 0) {
            continue;
        }
        graph->rescaleKeyAxis(!first);
        graph->rescaleValueAxis(false);
        first = false;
    }
    for (QCPGraph* graph : overlays_) {
        if (graph->dataCount() > 0) {
            graph->rescaleKeyAxis(true);
            graph->rescaleValueAxis(true);
        }
    }
    replot();
}

void ChannelChart::zoomTime(double factor) {
    timeAxis()->scaleRange(factor);
    replot();
}

void ChannelChart::panTime(double fraction) {
    timeAxis()->moveRange(timeRange().size() * fraction);
    replot();
}

double ChannelChart::pixelOfTime(double seconds) const {
    return timeAxis()->coordToPixel(seconds);
}

void ChannelChart::setCursorTime(double seconds) {
    cursor_ = seconds;
    for (QCPItemStraightLine* line : cursorLines_) {
        line->setVisible(!std::isnan(seconds));
        line->point1->setCoords(seconds, 0);
        line->point2->setCoords(seconds, 1);
    }
    overlay_->replot();
}

namespace {

// The value of the point nearest in time; NaN for an empty graph.
double ValueAt(const QCPGraph& graph, double seconds) {
    const auto data = graph.data();
    if (data->isEmpty()) {
        return kNoTime;
    }
    auto it = data->findBegin(seconds, false);
    if (it == data->constEnd() ||
        (it != data->constBegin() && seconds - (it - 1)->key < it->key - seconds)) {
        --it;
    }
    return it->value;
}

} // namespace

QString ChannelChart::cursorText() const {
    if (std::isnan(cursor_)) {
        return {};
    }
    QString text = QStringLiteral("t = %1 s").arg(cursor_, 0, 'f', 1);
    for (const auto* graphs : {&graphs_, &overlays_}) {
        for (QCPGraph* graph : *graphs) {
            text +=
                QStringLiteral("   %1 %2").arg(graph->name(), ValueText(ValueAt(*graph, cursor_)));
        }
    }
    return text;
}

void ChannelChart::setSpan(const QCPRange& range) {
    span_ = range;
    for (QCPItemRect* span : spans_) {
        span->setVisible(range.size() > 0);
        span->topLeft->setCoords(range.lower, 0);
        span->bottomRight->setCoords(range.upper, 1);
    }
    overlay_->replot();
}

void ChannelChart::setSpanSelecting(bool on) {
    setSelectionRectMode(on ? QCP::srmCustom : QCP::srmNone);
}

void ChannelChart::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        panTime(-kPanStep);
        break;
    case Qt::Key_Right:
        panTime(kPanStep);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
    case Qt::Key_Up:
        zoomTime(1 / kZoomStep);
        break;
    case Qt::Key_Minus:
    case Qt::Key_Down:
        zoomTime(kZoomStep);
        break;
    case Qt::Key_Home:
        fit();
        break;
    default:
        QCustomPlot::keyPressEvent(event);
    }
}

void ChannelChart::mousePressEvent(QMouseEvent* event) {
    if (hasOverlay() && (event->modifiers() & Qt::ShiftModifier) != 0) {
        overlayDragFrom_ = timeAxis()->pixelToCoord(event->position().x());
        return;
    }
    QCustomPlot::mousePressEvent(event);
}

void ChannelChart::mouseReleaseEvent(QMouseEvent* event) {
    if (!std::isnan(overlayDragFrom_)) {
        overlayDragFrom_ = kNoTime;
        return;
    }
    QCustomPlot::mouseReleaseEvent(event);
}

void ChannelChart::mouseMoveEvent(QMouseEvent* event) {
    if (!std::isnan(overlayDragFrom_)) {
        const double at = timeAxis()->pixelToCoord(event->position().x());
        emit overlayDragged(at - overlayDragFrom_);
        overlayDragFrom_ = at;
        return;
    }
    QCustomPlot::mouseMoveEvent(event);
    if (rects_.empty() || graphs_.empty()) {
        return;
    }
    setCursorTime(timeAxis()->pixelToCoord(event->position().x()));
    emit cursorMoved(cursor_);
}

void FillChannelList(QListWidget& list, const QStringList& names) {
    const QSignalBlocker block(&list);
    list.clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, &list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setToolTip(name); // the whole name where the narrow list cuts it
        item->setCheckState(Qt::Unchecked);
    }
}

QStringList CheckedChannels(const QListWidget& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->checkState() == Qt::Checked) {
            names << list.item(i)->text();
        }
    }
    return names;
}

void CheckChannels(QListWidget& list, const QStringList& names) {
    const QSignalBlocker block(&list);
    for (int i = 0; i < list.count(); ++i) {
        QListWidgetItem* item = list.item(i);
        item->setCheckState(names.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
}

#include "moc_channel_chart.cpp"
