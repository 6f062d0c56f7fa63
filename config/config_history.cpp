#include "config/config_history.h"

#include "config/config_difference.h"
#include "core/file_replace.h"
#include "core/file_system.h"

#include <algorithm>
#include <array>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::array<HistoryKind, 4> kKinds{HistoryKind::Read, HistoryKind::Write,
                                            HistoryKind::Open, HistoryKind::Save};
constexpr size_t kStampLength = 15; // YYYYMMDD_HHMMSS

std::string Stamp(std::time_t when) {
    const std::tm local = LocalTime(when);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &local);
    return text;
}

std::string FileName(const std::string& stamp, HistoryKind kind, int counter) {
    std::string name = stamp + "_" + HistoryKindName(kind);
    if (counter > 1) {
        name += "_" + std::to_string(counter);
    }
    return name + ".cfg";
}

bool Digits(const std::string& text) {
    return !text.empty() && text.size() <= 6 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsStamp(const std::string& s) {
    return s.size() == kStampLength && s[8] == '_' && Digits(s.substr(0, 6)) &&
           Digits(s.substr(6, 2)) && Digits(s.substr(9, 6));
}

std::optional<HistoryEntry> Parse(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name.size() < kStampLength + 5 || name.substr(name.size() - 4) != ".cfg" ||
        !IsStamp(name.substr(0, kStampLength)) || name[kStampLength] != '_') {
        return std::nullopt;
    }
    const std::string rest = name.substr(kStampLength + 1, name.size() - kStampLength - 5);
    for (HistoryKind kind : kKinds) {
        const std::string k = HistoryKindName(kind);
        if (rest == k) {
            return HistoryEntry{path.string(), name, name.substr(0, kStampLength), 1, kind};
        }
        if (rest.size() > k.size() + 1 && rest.compare(0, k.size() + 1, k + "_") == 0 &&
            Digits(rest.substr(k.size() + 1))) {
            return HistoryEntry{path.string(), name, name.substr(0, kStampLength),
                                std::stoi(rest.substr(k.size() + 1)), kind};
        }
    }
    return std::nullopt;
}

} // namespace

const char* HistoryKindName(HistoryKind kind) {
    switch (kind) {
    case HistoryKind::Read:
        return "read";
    case HistoryKind::Write:
        return "write";
    case HistoryKind::Open:
        return "open";
    case HistoryKind::Save:
        return "save";
    }
    return "";
}

std::string HistoryDate(const HistoryEntry& e) {
    const std::string& s = e.stamp;
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(9, 2) +
           ":" + s.substr(11, 2) + ":" + s.substr(13, 2);
}

bool ConfigHistory::keep(const ConfigBlock& block, HistoryKind kind, std::time_t when) const {
    const fs::path folder = PathFromText(folder_);
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string stamp = Stamp(when);
    constexpr int kMostInOneSecond = 1000;
    for (int counter = 1; counter <= kMostInOneSecond; ++counter) {
        const fs::path path = folder / FileName(stamp, kind, counter);
        if (!fs::exists(path, ec) && !ec) {
            return ReplaceFile(path.string(), block.data(), block.size());
        }
        if (ec) {
            return false;
        }
    }
    return false;
}

std::vector<HistoryEntry> ConfigHistory::list() const {
    std::vector<HistoryEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(PathFromText(folder_), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (auto entry = Parse(it->path())) {
            entries.push_back(std::move(*entry));
        }
    }
    std::sort(entries.begin(), entries.end(), [](const HistoryEntry& a, const HistoryEntry& b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.counter > b.counter;
    });
    return entries;
}

std::vector<HistoryRow> ListHistory(const ConfigHistory& history, const ConfigBlock& editorBlock) {
    std::vector<HistoryRow> rows;
    const FolderReader folder(PathFromText(history.folder()));
    for (HistoryEntry& entry : history.list()) {
        // One byte more than a block tells a long file from a whole one.
        std::array<uint8_t, kConfigBlockSize + 1> bytes{};
        const auto got = folder.readStart(entry.name, bytes);
        std::optional<size_t> differences;
        if (got == kConfigBlockSize) {
            ConfigBlock block{};
            std::copy_n(bytes.begin(), block.size(), block.begin());
            differences = CountDifferences(editorBlock, block);
        }
        rows.push_back({std::move(entry), differences});
    }
    return rows;
}
