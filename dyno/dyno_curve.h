#pragma once

#include <cstddef>
#include <vector>

// The power estimates of one pull (a stretch of a drive at full throttle), sample by
// sample, as the data log holds them: speed in km/h, dino_total and dino_aero in hp.
struct PullSamples {
    std::vector<double> speed;
    std::vector<double> total;
    std::vector<double> aero;
};

struct DynoPoint {
    double speed = 0;
    double total = 0;
    double aero = 0;
};

// Power against speed: one point per speed bin, rising speed.
struct DynoCurve {
    std::vector<DynoPoint> points;
    // The point of the highest total power; meaningless when `points` is empty.
    DynoPoint peak;
};

// Samples are grouped into bins of `binKmh`; each point is the mean speed and power
// of its bin. `smoothing` n > 0 then averages each point's power with up to n bins
// on either side. Samples with a missing value (NaN) are left out.
DynoCurve MakeDynoCurve(const PullSamples& pull, double binKmh = 1.0, int smoothing = 0);
