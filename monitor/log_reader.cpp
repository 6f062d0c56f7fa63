#include "monitor/log_reader.h"

#include "core/file_system.h"
#include "monitor/log_layout.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>

namespace {

constexpr float kMissing = std::numeric_limits<float>::quiet_NaN();
// Line numbers listed per kind of problem before the rest is only counted.
constexpr size_t kListedLines = 8;
// Small enough to stay in the cache while its lines are parsed.
constexpr size_t kReadBlockBytes = 1 << 18;

// The tab-ended fields of one line, and what trails the last tab (empty unless cut).
struct Fields {
    std::vector<std::string_view> complete;
    std::string_view rest;
};

void SplitFields(std::string_view line, Fields& out) {
    out.complete.clear();
    size_t start = 0;
    for (size_t tab = line.find(kLogFieldEnd); tab != std::string_view::npos;
         tab = line.find(kLogFieldEnd, start)) {
        out.complete.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    out.rest = line.substr(start);
}

// A record line read in one pass: hours of a log are millions of fields, so each
// number is taken as its digits go by rather than split out and parsed again.
struct RecordScan {
    size_t fields = 0;    // tab-ended fields, also those past the known columns
    bool cut = false;     // something trails the last tab
    bool readable = true; // every field up to the known columns is a number
    std::array<long long, kLogColumnCount> values{};
};

// Numbers of up to this many digits fit a long long; longer ones have their range checked.
constexpr ptrdiff_t kUncheckedDigits = 18;

// Whether the digits from `first` to `last` are a magnitude a long long holds (2^63
// when negative).
bool FitsLongLong(const char* first, const char* last, bool negative) {
    unsigned long long magnitude = 0;
    for (const char* p = first; p < last; ++p) {
        if (__builtin_mul_overflow(magnitude, 10ULL, &magnitude) ||
            __builtin_add_overflow(magnitude, static_cast<unsigned>(*p - '0'), &magnitude)) {
            return false;
        }
    }
    return magnitude <= (negative ? 1ULL << 63 : (1ULL << 63) - 1);
}

void ScanRecord(std::string_view line, RecordScan& out) {
    size_t fields = 0;
    bool readable = true;
    out.cut = false;
    const char* p = line.data();
    const char* const end = p + line.size();
    while (p < end) {
        const bool negative = *p == '-';
        const char* const digits = p + (negative ? 1 : 0);
        p = digits;
        // Wraps for a number too long to fit, which the range check then rejects.
        unsigned long long magnitude = 0;
        for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p) {
            magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
        }
        const bool number = p != digits && p < end && *p == kLogFieldEnd &&
                            (p - digits <= kUncheckedDigits || FitsLongLong(digits, p, negative));
        if (p < end && *p != kLogFieldEnd) {
            p = static_cast<const char*>(
                std::memchr(p, kLogFieldEnd, static_cast<size_t>(end - p)));
        }
        if (p == nullptr || p == end) {
            out.cut = true;
            break;
        }
        if (fields < kLogColumnCount) {
            readable = readable && number;
            // Two's complement: the magnitude 2^63 of the lowest value wraps to itself.
            out.values[fields] = negative ? static_cast<long long>(0ULL - magnitude)
                                          : static_cast<long long>(magnitude);
        }
        ++fields;
        ++p;
    }
    out.fields = fields;
    out.readable = readable;
}

class Parser {
  public:
    explicit Parser(LogData& data) : data_(data) {
        const auto& columns = LogColumnNames();
        data_.names.assign(columns.begin() + 1, columns.end());
        data_.channels.resize(data_.names.size());
    }

    void reserve(size_t records) {
        data_.seconds.reserve(records);
        for (auto& channel : data_.channels) {
            channel.reserve(records);
        }
    }

    bool header(std::string_view line) {
        SplitFields(line, fields_);
        const auto& columns = LogColumnNames();
        if (fields_.complete.size() < columns.size()) {
            return false;
        }
        for (size_t i = 0; i < columns.size(); ++i) {
            if (fields_.complete[i] != columns[i]) {
                return false;
            }
        }
        return true;
    }

    // A line named as skipped adds nothing to any column, so what the message says
    // and what a chart, a pull or an export shows cannot disagree. The last line is
    // the one a running log is still writing: left out while unfinished, unreported.
    void record(std::string_view line, size_t number, bool last) {
        ScanRecord(line, scan_);
        if (last && line.empty()) {
            return; // a line break at the very end, as an editor leaves it
        }
        // A word record alone is what the writer leaves when a byte frame failed.
        const size_t n = scan_.fields;
        const bool whole = n == kLogWordRecordFields || n >= kLogColumnCount;
        if (scan_.cut || !whole) {
            if (!last) {
                report(number,
                       scan_.cut ? LogProblem::Kind::CutOff : LogProblem::Kind::TooFewFields);
            }
            return;
        }
        const size_t present = std::min(n, kLogColumnCount);
        if (!scan_.readable || scan_.values[0] < 0) {
            report(number, LogProblem::Kind::NotANumber);
            return;
        }
        data_.seconds.push_back(static_cast<double>(scan_.values[0]) / kLogTimesPerSecond);
        for (size_t c = 1; c < kLogColumnCount; ++c) {
            data_.channels[c - 1].push_back(c < present ? static_cast<float>(scan_.values[c])
                                                        : kMissing);
        }
    }

  private:
    void report(size_t line, LogProblem::Kind kind) { data_.problems.push_back({line, kind}); }

    LogData& data_;
    Fields fields_;
    RecordScan scan_;
};

// A log's text taken line by line as it arrives, in pieces of any size (a file read in
// blocks): a line a piece cuts waits for the rest of it in the next piece.
class LogText {
  public:
    LogText(LogData& data, size_t expectedBytes)
        : data_(data), parser_(data), expectedBytes_(expectedBytes) {}

    // Taken as the text after the header line, which counts as line 1.
    void afterHeader() {
        number_ = 1;
        parser_.reserve(RecordsIn(expectedBytes_));
    }

    void feed(std::string_view piece) {
        bytes_ += piece.size();
        for (size_t end = piece.find(kLogLineStart); end != std::string_view::npos;
             end = piece.find(kLogLineStart)) {
            if (pending_.empty()) {
                line(piece.substr(0, end), false);
            } else {
                pending_.append(piece.substr(0, end));
                line(pending_, false);
                pending_.clear();
            }
            piece.remove_prefix(end + 1);
        }
        pending_.append(piece);
    }

    // The lines of the text that follows this one (which ends with a line break), read
    // after the header: they take their place after this text's own.
    void append(const LogData& rest) {
        if (failed_) {
            return;
        }
        Append(data_.seconds, rest.seconds);
        for (size_t c = 0; c < data_.channels.size(); ++c) {
            Append(data_.channels[c], rest.channels[c]);
        }
        for (const LogProblem& p : rest.problems) {
            data_.problems.push_back({p.line + number_ - 1, p.kind});
        }
    }

    // What follows the last line break is the last line, perhaps still being written.
    void lastLine() {
        line(pending_, true);
        pending_.clear();
    }

    void finish() {
        if (bytes_ == 0) {
            data_ = LogData();
            data_.failure = "The file is empty.";
            return;
        }
        lastLine();
        if (!failed_ && data_.records() == 0 && data_.problems.empty()) {
            data_.failure = "The log holds no records yet.";
            data_.awaitingRecords = true;
        }
    }

  private:
    // A record line is about 110 bytes.
    static size_t RecordsIn(size_t bytes) { return bytes / 100 + 1; }

    template <typename T> static void Append(std::vector<T>& to, const std::vector<T>& from) {
        to.insert(to.end(), from.begin(), from.end());
    }

    void line(std::string_view text, bool last) {
        if (failed_) {
            return;
        }
        // A log copied through a Windows machine ends its lines with CR LF.
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        if (++number_ > 1) {
            parser_.record(text, number_, last);
        } else if (parser_.header(text)) {
            parser_.reserve(RecordsIn(expectedBytes_));
        } else {
            data_.failure = "This is not a KORVEX data log: its first line is not the log header.";
            failed_ = true;
        }
    }

    LogData& data_;
    Parser parser_;
    std::string pending_;
    size_t expectedBytes_;
    size_t bytes_ = 0;
    size_t number_ = 0; // lines taken, the header included
    bool failed_ = false;
};

// Feeds `text` the file from where `in` stands, `limit` bytes at most; false when the
// file could not be read.
bool FeedFile(std::istream& in, LogText& text, size_t limit) {
    std::vector<char> block(kReadBlockBytes);
    while (limit > 0) {
        in.read(block.data(), static_cast<std::streamsize>(std::min(block.size(), limit)));
        const auto got = static_cast<size_t>(in.gcount());
        if (got == 0) {
            break;
        }
        text.feed(std::string_view(block.data(), got));
        limit -= got;
    }
    return !in.bad();
}

// The offset of the first line break at or after `from`, or npos; `in` is rewound.
size_t LineBreakFrom(std::istream& in, size_t from) {
    size_t at = std::string_view::npos;
    in.seekg(static_cast<std::streamoff>(from));
    std::array<char, 4096> block{};
    while (at == std::string_view::npos &&
           (in.read(block.data(), block.size()) || in.gcount() > 0)) {
        const std::string_view piece(block.data(), static_cast<size_t>(in.gcount()));
        if (const size_t end = piece.find(kLogLineStart); end != std::string_view::npos) {
            at = from + end;
        }
        from += piece.size();
    }
    in.clear();
    in.seekg(0);
    return at;
}

// Below this a second thread costs more than it saves.
constexpr size_t kHalvedFrom = size_t{1} << 20;

struct TextRead {
    LogData data;
    bool read = false;
};

// The lines of the file after the byte `from`, up to its end, as the text after a header.
TextRead ReadRest(const std::string& path, size_t from, size_t expectedBytes) {
    TextRead rest;
    std::ifstream in(PathFromText(path), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    LogText text(rest.data, expectedBytes);
    text.afterHeader();
    rest.read = in && FeedFile(in, text, std::string_view::npos);
    text.lastLine();
    return rest;
}

const char* KindText(LogProblem::Kind kind) {
    switch (kind) {
    case LogProblem::Kind::TooFewFields:
        return "too few fields";
    case LogProblem::Kind::NotANumber:
        return "text in a number field";
    case LogProblem::Kind::CutOff:
        return "cut off";
    }
    return "";
}

} // namespace

LogData ParseDataLog(std::string_view text) {
    return ParseDataLog(text, text.size());
}

LogData ParseDataLog(std::string_view text, size_t pieceBytes) {
    LogData data;
    LogText reader(data, text.size());
    const size_t step = std::max<size_t>(pieceBytes, 1);
    for (size_t at = 0; at < text.size(); at += step) {
        reader.feed(text.substr(at, step));
    }
    reader.finish();
    return data;
}

LogData ReadDataLog(const std::string& path) {
    std::ifstream in(PathFromText(path), std::ios::binary);
    if (!in) {
        LogData data;
        data.failure = "Can't open " + path + ": " + std::strerror(errno);
        return data;
    }
    std::error_code unknown;
    const auto found = std::filesystem::file_size(PathFromText(path), unknown);
    const size_t size = unknown ? 0 : static_cast<size_t>(found);
    // A long log's second half, from a line break on, is read on a second thread. The
    // file is read in blocks up to the end there is now (a log being written grows
    // meanwhile), each parsed while it is still in the cache: the whole text is never
    // held at once.
    const size_t split = size < kHalvedFrom ? std::string_view::npos : LineBreakFrom(in, size / 2);
    std::future<TextRead> rest;
    if (split != std::string_view::npos) {
        rest = std::async(std::launch::async | std::launch::deferred, ReadRest, path, split + 1,
                          size - split);
    }
    LogData data;
    LogText reader(data, size);
    bool read = FeedFile(in, reader, split == std::string_view::npos ? split : split + 1);
    if (rest.valid()) {
        const TextRead second = rest.get();
        read = read && second.read;
        reader.append(second.data);
    }
    if (!read) {
        LogData failed;
        failed.failure = "Can't read " + path;
        return failed;
    }
    reader.finish();
    return data;
}

std::string LogData::problemText() const {
    if (problems.empty()) {
        return {};
    }
    std::string text = "Not everything could be read; skipped: ";
    bool firstKind = true;
    for (auto kind :
         {LogProblem::Kind::TooFewFields, LogProblem::Kind::NotANumber, LogProblem::Kind::CutOff}) {
        std::string lines;
        size_t count = 0;
        for (const LogProblem& p : problems) {
            if (p.kind != kind) {
                continue;
            }
            if (++count <= kListedLines) {
                lines += (count > 1 ? ", " : "") + std::to_string(p.line);
            }
        }
        if (count == 0) {
            continue;
        }
        if (count > kListedLines) {
            lines += " and " + std::to_string(count - kListedLines) + " more";
        }
        text += std::string(firstKind ? "" : "; ") + (count > 1 ? "lines " : "line ") + lines +
                " (" + KindText(kind) + ")";
        firstKind = false;
    }
    return text + ".";
}

PullSamples PullFromLog(const LogData& data, double fromSeconds, double toSeconds) {
    PullSamples pull;
    auto column = [&data](const char* name) -> const std::vector<float>* {
        const auto at = std::find(data.names.begin(), data.names.end(), name);
        return at == data.names.end() ? nullptr : &data.channels[at - data.names.begin()];
    };
    const auto* speed = column(kWordPars[kSpeedWord].name);
    const auto* total = column(kDinoTotalName);
    const auto* aero = column(kDinoAeroName);
    if (speed == nullptr || total == nullptr || aero == nullptr) {
        return pull;
    }
    for (size_t i = 0; i < data.records(); ++i) {
        if (data.seconds[i] >= fromSeconds && data.seconds[i] <= toSeconds) {
            pull.speed.push_back((*speed)[i]);
            pull.total.push_back((*total)[i]);
            pull.aero.push_back((*aero)[i]);
        }
    }
    return pull;
}
