#include "cli/commands.h"

#include "dyno/dyno_curve.h"
#include "monitor/log_reader.h"

#include <cstdio>
#include <limits>

namespace {

std::string Fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

} // namespace

ExitCode RunDyno(const CliIo& io, const DynoOptions& options) {
    const LogData data = ReadDataLog(options.log);
    if (!data.failure.empty()) {
        io.err << data.failure << '\n';
        return ExitCode::FileTrouble;
    }
    if (const std::string problems = data.problemText(); !problems.empty()) {
        io.err << options.log << ": " << problems << '\n';
    }
    const double to = options.to.value_or(std::numeric_limits<double>::infinity());
    const DynoCurve curve =
        MakeDynoCurve(PullFromLog(data, options.from, to), 1.0, options.smoothing);
    if (curve.points.empty()) {
        io.err << options.log << ": no power estimates in that stretch\n";
        return ExitCode::FileTrouble;
    }
    if (options.json) {
        io.out << "{\"peak_hp\":" << Fixed(curve.peak.total)
               << ",\"speed_kmh\":" << Fixed(curve.peak.speed)
               << ",\"aero_hp\":" << Fixed(curve.peak.aero) << ",\"points\":" << curve.points.size()
               << "}\n";
    } else {
        io.out << Fixed(curve.peak.total) << " hp at " << Fixed(curve.peak.speed) << " km/h\n";
    }
    return ExitCode::Ok;
}
