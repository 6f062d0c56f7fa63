#include "monitor/data_log.h"

#include "core/file_system.h"
#include "link/device_commands.h"
#include "monitor/log_layout.h"
#include "monitor/tick.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <string>

namespace {

// Later logs of the same second get "_2", "_3", ...; past this many something other
// than a name clash is wrong, and the log is reported as not created.
constexpr int kMaxNameSuffix = 1000;
// The most of a drive a power cut may take.
constexpr std::chrono::seconds kSyncPeriod{1};

// One record's text, built in place and handed to the stream in one write.
class RecordText {
  public:
    void add(char c) {
        if (size_ < kCapacity) {
            text_[size_++] = c;
        }
    }
    template <typename T> void field(T value) {
        size_ =
            static_cast<size_t>(std::to_chars(text_ + size_, text_ + kCapacity, value).ptr - text_);
        add(kLogFieldEnd);
    }
    const char* data() const { return text_; }
    size_t size() const { return size_; }

  private:
    // A full word record is at most 1 + 11 + 14 * 7 bytes, a byte record 25 * 4.
    static constexpr size_t kCapacity = 160;
    char text_[kCapacity];
    size_t size_ = 0;
};

} // namespace

std::tm LocalTimeNow() {
    return LocalTime(std::time(nullptr));
}

DataLog::DataLog(MyErrLog& log, Dino& dino) : DataLog(log, dino, LocalTimeNow, std::string()) {}

DataLog::DataLog(MyErrLog& log, Dino& dino, Clock clock, std::string folder)
    : log_(log), dino_(dino), clock_(std::move(clock)), folder_(std::move(folder)) {}

DataLog::~DataLog() {
    close();
}

bool DataLog::ToggleDataLog(bool runFlag) {
    if (logging()) {
        close();
        return false;
    }
    if (!runFlag) {
        log_.appendLine("Can't log, Try Start");
        return false;
    }
    return open();
}

std::string DataLog::MakeLogTimeName() const {
    const std::tm local = clock_();
    // Ample for any year an int holds; strftime never writes past the end.
    char stamp[64];
    const size_t size = std::strftime(stamp, sizeof stamp, "%d%m%Y_%H%M%S", &local);
    return std::string(stamp, size);
}

bool DataLog::open() {
    std::string base = folder_;
    if (!base.empty() && base.back() != '/') {
        base += '/';
    }
    base.append("pars").append(MakeLogTimeName());
    // Exclusive create, so an earlier log of the same second is never emptied.
    for (int suffix = 1; suffix <= kMaxNameSuffix && file_ == nullptr; ++suffix) {
        path_ = base;
        if (suffix > 1) {
            path_.append("_").append(std::to_string(suffix));
        }
        path_.append(".txt");
        file_ = CreateNewFile(PathFromText(path_), true);
        if (file_ == nullptr && errno != EEXIST) {
            break;
        }
    }
    if (file_ == nullptr) {
        log_.appendLine("Can't create log file");
        return false;
    }
    const std::string header = LogHeaderText();
    write(header.data(), header.size());
    sync_ = std::make_unique<PeriodicSync>(file_, kSyncPeriod);
    return true;
}

void DataLog::close() {
    if (file_ != nullptr) {
        sync_.reset();
        std::fclose(file_);
        file_ = nullptr;
    }
}

// Handed on at once: a line held in the stream's buffer would die with the process. A
// write that fails, as on a full disk, is told once, and again after one that succeeds.
void DataLog::write(const char* text, size_t size) {
    const bool written = std::fwrite(text, 1, size, file_) == size && std::fflush(file_) == 0;
    if (!written && !writeFailed_) {
        log_.appendLine(std::string("Can't write log file: ") + std::strerror(errno));
    }
    writeFailed_ = !written;
}

void DataLog::frameArrived(const DecodedFrame& frame) {
    if (!logging()) {
        return;
    }
    if (frame.kind == FrameKind::Word) {
        LogWordFrame(frame);
    } else {
        LogByteFrame(frame);
    }
}

void DataLog::LogWordFrame(const DecodedFrame& frame) {
    RecordText record;
    record.add(kLogLineStart);
    record.field(frame.tick / kTicksPerLogTime);
    for (size_t i = 0; i < kWordParCount; ++i) {
        record.field(frame.values[i]);
    }
    dino_.Compute(static_cast<uint16_t>(frame.values[kSpeedWord]),
                  static_cast<uint16_t>(frame.values[kDriveWord]));
    // The log keeps the low 16 bits, so 65536 reads 0 and -2 reads 65534.
    record.field(static_cast<uint16_t>(dino_.Total()));
    record.field(static_cast<uint16_t>(dino_.Aero()));
    write(record.data(), record.size());
}

// The raw bytes, then the two switches.
void DataLog::LogByteFrame(const DecodedFrame& frame) {
    RecordText record;
    for (size_t j = 0; j < frame.count; ++j) {
        record.field(frame.values[j]);
    }
    write(record.data(), record.size());
}
