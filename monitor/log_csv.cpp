#include "monitor/log_csv.h"

#include "core/file_replace.h"

#include <charconv>
#include <cmath>

namespace {

// A name with a comma, a quote or a line break goes in quotes, its quotes doubled.
void AppendField(std::string& out, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

// to_chars never looks at the locale: the shortest text that reads back the same.
// Log values are whole numbers: those take the quicker integer form.
template <typename T> void AppendNumber(std::string& out, T value) {
    if (std::isnan(value)) {
        return;
    }
    char text[32];
    constexpr T kWholeBelow = T(1 << 24);
    const bool whole = std::abs(value) < kWholeBelow && value == std::trunc(value);
    const auto end = whole ? std::to_chars(text, text + sizeof text, static_cast<long>(value)).ptr
                           : std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
}

} // namespace

std::string LogCsvText(const LogData& data, const std::vector<size_t>& channels, double fromSeconds,
                       double toSeconds) {
    std::string out = "time_s";
    for (size_t c : channels) {
        out += ',';
        AppendField(out, data.names.at(c));
    }
    out += "\r\n";
    // Most values are a few digits: enough room that the text is seldom moved.
    out.reserve(out.size() + data.records() * (channels.size() + 2) * 5);
    for (size_t i = 0; i < data.records(); ++i) {
        if (data.seconds[i] < fromSeconds || data.seconds[i] > toSeconds) {
            continue;
        }
        AppendNumber(out, data.seconds[i]);
        for (size_t c : channels) {
            out += ',';
            AppendNumber(out, data.channels[c][i]);
        }
        out += "\r\n";
    }
    return out;
}

bool ExportLogCsv(const std::string& path, const LogData& data, const std::vector<size_t>& channels,
                  double fromSeconds, double toSeconds) {
    const std::string text = LogCsvText(data, channels, fromSeconds, toSeconds);
    return ReplaceFile(path, text.data(), text.size());
}
