#include "config/map_view.h"

#include "config/cell_geometry.h"

#include <QVBoxLayout>

#include <qcustomplot.h>

#include <algorithm>

double RangeFraction(const PAR_long& p, float value) {
    const ElementType* t = FindElementType(p.type);
    if (t == nullptr || t->max <= t->min) {
        return 0.0;
    }
    const double low = double(t->min) * p.scale;
    const double high = double(t->max) * p.scale;
    return std::clamp((double(value) - low) / (high - low), 0.0, 1.0);
}

MapView::MapView(QWidget* parent)
    : QWidget(parent), plot_(new QCustomPlot(this)),
      map_(new QCPColorMap(plot_->xAxis, plot_->yAxis)), scale_(new QCPColorScale(plot_)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_);
    plot_->plotLayout()->addElement(0, 1, scale_);
    map_->setColorScale(scale_);
    map_->setGradient(QCPColorGradient(QCPColorGradient::gpJet));
    map_->setInterpolate(false);
    plot_->yAxis->setRangeReversed(true); // the first row on top, as in the grid
    plot_->xAxis->setLabel("x");
    plot_->yAxis->setLabel("y");
    hide();
}

// The map's cells are drawn at their index: the axis points need not be evenly spaced, so
// the ticks carry the axis values instead.
void MapView::draw(const WorkingValues& working, int par) {
    if (par < 0 || size_t(par) >= working.pars.size() || !IsMap(working.pars[size_t(par)]) ||
        !working.pars[size_t(par)].values) {
        hide();
        return;
    }
    const PAR_long& p = working.pars[size_t(par)];
    const float* v = working.values.data() + *p.values;
    map_->data()->setSize(p.cols, p.rows);
    map_->data()->setRange(QCPRange(0, p.cols - 1), QCPRange(0, p.rows - 1));
    auto xTicks = QSharedPointer<QCPAxisTickerText>::create();
    auto yTicks = QSharedPointer<QCPAxisTickerText>::create();
    ForEachElement(p, [&](int c, int r) {
        const float value = v[*ElementIndex(p, {c, r})];
        if (r < p.rows) {
            map_->data()->setCell(c, r, double(value));
        } else if (r == XAxisRow(p)) {
            xTicks->addTick(c, QString::number(double(value)));
        } else {
            yTicks->addTick(c, QString::number(double(value)));
        }
    });
    plot_->xAxis->setTicker(xTicks);
    plot_->yAxis->setTicker(yTicks);
    plot_->xAxis->setLabel(QString::fromLatin1(p.label));
    plot_->yAxis->setLabel(QString::fromLatin1(p.range));
    plot_->xAxis->setRange(-0.5, p.cols - 0.5);
    plot_->yAxis->setRange(-0.5, p.rows - 0.5);
    const ElementType* t = FindElementType(p.type);
    map_->setDataRange(t != nullptr ? QCPRange(t->min * double(p.scale), t->max * double(p.scale))
                                    : QCPRange(0, 1));
    plot_->replot(QCustomPlot::rpQueuedReplot);
    QWidget::show();
}

double MapView::valueAt(int col, int row) const {
    return map_->data()->cell(col, row);
}

#include "moc_map_view.cpp"
