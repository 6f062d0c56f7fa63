#pragma once

#include "dyno/dyno_curve.h"

#include <QWidget>

#include <array>

class Dialogs;
class QCustomPlot;
class QLabel;
class QSpinBox;

// Power against speed for up to two pulls, the second laid over the first to
// compare two runs; each curve's peak is marked with its value and speed.
class DynoView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kPulls = 2;

    explicit DynoView(Dialogs& dialogs, QWidget* parent = nullptr);

    // Pull 0 or 1; `label` names where it came from.
    void setPull(int index, const PullSamples& pull, const QString& label);
    const DynoCurve& curve(int index) const { return curves_[index]; }
    // "Pull 1: 123 hp at 145 km/h (label)", or "" without a pull.
    QString peakText(int index) const;

    QCustomPlot* plot() const { return plot_; }
    QSpinBox* smoothing() const { return smoothing_; }

  public slots:
    void SavePngClick();

  private:
    void redraw();

    Dialogs& dialogs_;
    QCustomPlot* plot_;
    QSpinBox* smoothing_;
    QLabel* peaks_;
    std::array<PullSamples, kPulls> pulls_;
    std::array<QString, kPulls> labels_;
    std::array<DynoCurve, kPulls> curves_;
};
