#include "dyno/dyno_view.h"

#include "ui/chart_png.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <vector>

namespace {
const QColor kPullColours[DynoView::kPulls] = {QColor(214, 39, 40), QColor(31, 119, 180)};
} // namespace

DynoView::DynoView(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), plot_(new QCustomPlot(this)),
      smoothing_(new QSpinBox(this)), peaks_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Dyno"));
    setObjectName(QStringLiteral("DynoView"));
    resize(800, 560);
    smoothing_->setObjectName(QStringLiteral("SmoothingBox"));
    smoothing_->setRange(0, 20);
    smoothing_->setSuffix(QStringLiteral(" km/h each side"));
    smoothing_->setSpecialValueText(QStringLiteral("off"));
    auto* save = new QPushButton(QStringLiteral("&Save PNG..."), this);
    save->setObjectName(QStringLiteral("SavePngButton"));
    peaks_->setObjectName(QStringLiteral("PeakLabel"));
    peaks_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Smoothing:"), this));
    bar->addWidget(smoothing_);
    bar->addStretch();
    bar->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(plot_, 1);
    layout->addWidget(peaks_);

    plot_->xAxis->setLabel(QStringLiteral("Speed, km/h"));
    plot_->yAxis->setLabel(QStringLiteral("Power, hp"));
    plot_->legend->setVisible(true);
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);

    connect(smoothing_, qOverload<int>(&QSpinBox::valueChanged), this, &DynoView::redraw);
    connect(save, &QPushButton::clicked, this, &DynoView::SavePngClick);
    redraw();
}

void DynoView::setPull(int index, const PullSamples& pull, const QString& label) {
    pulls_[index] = pull;
    labels_[index] = label;
    redraw();
}

QString DynoView::peakText(int index) const {
    const DynoCurve& curve = curves_[index];
    if (curve.points.empty()) {
        return {};
    }
    return QStringLiteral("Pull %1: %2 hp at %3 km/h (%4)")
        .arg(index + 1)
        .arg(curve.peak.total, 0, 'f', 0)
        .arg(curve.peak.speed, 0, 'f', 0)
        .arg(labels_[index]);
}

void DynoView::redraw() {
    plot_->clearGraphs();
    plot_->clearItems();
    QStringList peaks;
    std::vector<QCPItemText*> texts;
    for (int p = 0; p < kPulls; ++p) {
        curves_[p] = MakeDynoCurve(pulls_[p], 1.0, smoothing_->value());
        const DynoCurve& curve = curves_[p];
        if (curve.points.empty()) {
            continue;
        }
        QVector<double> speed, total, aero;
        for (const DynoPoint& point : curve.points) {
            speed << point.speed;
            total << point.total;
            aero << point.aero;
        }
        QCPGraph* totalGraph = plot_->addGraph();
        totalGraph->setData(speed, total, true);
        totalGraph->setPen(QPen(kPullColours[p], 2));
        totalGraph->setName(QStringLiteral("Pull %1 dino_total").arg(p + 1));
        QCPGraph* aeroGraph = plot_->addGraph();
        aeroGraph->setData(speed, aero, true);
        aeroGraph->setPen(QPen(kPullColours[p], 1, Qt::DashLine));
        aeroGraph->setName(QStringLiteral("Pull %1 dino_aero").arg(p + 1));

        auto* marker = new QCPItemTracer(plot_);
        marker->setGraph(totalGraph);
        marker->setGraphKey(curve.peak.speed);
        marker->setStyle(QCPItemTracer::tsCircle);
        marker->setSize(9);
        marker->setPen(QPen(kPullColours[p], 2));
        auto* text = new QCPItemText(plot_);
        text->position->setCoords(curve.peak.speed, curve.peak.total);
        text->setPositionAlignment(Qt::AlignBottom | Qt::AlignHCenter);
        text->setPadding(QMargins(0, 0, 0, 8));
        text->setColor(kPullColours[p]);
        text->setText(QStringLiteral("%1 hp at %2 km/h")
                          .arg(curve.peak.total, 0, 'f', 0)
                          .arg(curve.peak.speed, 0, 'f', 0));
        texts.push_back(text);
        peaks << peakText(p);
    }
    peaks_->setText(peaks.isEmpty() ? QStringLiteral("Select a pull on the log chart.")
                                    : peaks.join(QStringLiteral("\n")));
    plot_->rescaleAxes();
    // Room around the peaks for their texts.
    plot_->xAxis->scaleRange(1.15);
    plot_->yAxis->setRangeLower(0);
    plot_->yAxis->setRangeUpper(plot_->yAxis->range().upper * 1.15 + 1);
    // A peak near an edge has its text run inward, so the frame never cuts it.
    const QCPRange speeds = plot_->xAxis->range();
    for (QCPItemText* text : texts) {
        const double at = (text->position->key() - speeds.lower) / speeds.size();
        const Qt::Alignment side = at > 2.0 / 3   ? Qt::AlignRight
                                   : at < 1.0 / 3 ? Qt::AlignLeft
                                                  : Qt::AlignHCenter;
        text->setPositionAlignment(Qt::AlignBottom | side);
    }
    plot_->replot();
}

void DynoView::SavePngClick() {
    SaveChartPng(*plot_, dialogs_, "dyno.png");
}

#include "moc_dyno_view.cpp"
