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
template <typename T> void AppendNumber(std::string& out, T value) {
    if (std::isnan(value)) {
        return;
    }
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
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
