#pragma once

#include "config/catalogue.h"

#include <QWidget>

class QCustomPlot;
class QCPColorMap;
class QCPColorScale;

// A two-dimensional map drawn over its two axes as a colour map with its colour scale,
// spanning its element type's range like the grid's tint.
class MapView : public QWidget {
    Q_OBJECT
  public:
    explicit MapView(QWidget* parent = nullptr);

    // Draws parameter `par` of the working values; hides itself for anything but a map.
    void draw(const WorkingValues& working, int par);
    // The value drawn at x-axis point `col`, y-axis point `row`.
    double valueAt(int col, int row) const;
    QCustomPlot* plot() const { return plot_; }

  private:
    QCustomPlot* plot_;
    QCPColorMap* map_;
    QCPColorScale* scale_;
};

// Where `value` lies in the range of the parameter's element type, 0 to 1.
double RangeFraction(const PAR_long& p, float value);
