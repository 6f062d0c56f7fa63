#include "dyno/dyno_curve.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

std::vector<DynoPoint> Binned(const PullSamples& pull, double binKmh) {
    struct Sum {
        DynoPoint sum;
        int count = 0;
    };
    std::map<long long, Sum> bins;
    const size_t n = std::min({pull.speed.size(), pull.total.size(), pull.aero.size()});
    for (size_t i = 0; i < n; ++i) {
        const double speed = pull.speed[i];
        if (std::isnan(speed) || std::isnan(pull.total[i]) || std::isnan(pull.aero[i])) {
            continue;
        }
        Sum& bin = bins[static_cast<long long>(std::floor(speed / binKmh))];
        bin.sum.speed += speed;
        bin.sum.total += pull.total[i];
        bin.sum.aero += pull.aero[i];
        ++bin.count;
    }
    std::vector<DynoPoint> points;
    points.reserve(bins.size());
    for (const auto& [key, bin] : bins) {
        points.push_back(
            {bin.sum.speed / bin.count, bin.sum.total / bin.count, bin.sum.aero / bin.count});
    }
    return points;
}

std::vector<DynoPoint> Smoothed(const std::vector<DynoPoint>& points, int smoothing) {
    std::vector<DynoPoint> out = points;
    const int size = static_cast<int>(points.size());
    for (int i = 0; i < size; ++i) {
        const int from = std::max(0, i - smoothing);
        const int to = std::min(size - 1, i + smoothing);
        double total = 0;
        double aero = 0;
        for (int k = from; k <= to; ++k) {
            total += points[k].total;
            aero += points[k].aero;
        }
        out[i].total = total / (to - from + 1);
        out[i].aero = aero / (to - from + 1);
    }
    return out;
}

} // namespace

DynoCurve MakeDynoCurve(const PullSamples& pull, double binKmh, int smoothing) {
    DynoCurve curve;
    if (!(binKmh > 0)) {
        binKmh = 1.0;
    }
    curve.points = Binned(pull, binKmh);
    if (smoothing > 0) {
        curve.points = Smoothed(curve.points, smoothing);
    }
    const auto peak =
        std::max_element(curve.points.begin(), curve.points.end(),
                         [](const DynoPoint& a, const DynoPoint& b) { return a.total < b.total; });
    if (peak != curve.points.end()) {
        curve.peak = *peak;
    }
    return curve;
}
