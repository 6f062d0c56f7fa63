#pragma once

#include "config/catalogue.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

// Every block read from the device, written to it, opened or saved, kept as a file of its
// own: <folder>/<YYYYMMDD_HHMMSS>_<kind>.cfg, with "_2", "_3" ... before ".cfg" when the
// same name falls twice in one second.
// Where the Config window and the command line keep it: relative to the working folder,
// as users keep their configurations beside the program.
inline constexpr char kHistoryFolder[] = "history";

enum class HistoryKind { Read, Write, Open, Save };

const char* HistoryKindName(HistoryKind kind); // "read", "write", "open", "save"

struct HistoryEntry {
    std::string path;
    std::string name;  // the file's name in the folder
    std::string stamp; // YYYYMMDD_HHMMSS
    int counter;       // 1 for the first of its second
    HistoryKind kind;
};

// "2026-12-09 17:08:00" from the entry's stamp.
std::string HistoryDate(const HistoryEntry& entry);

class ConfigHistory {
  public:
    explicit ConfigHistory(std::string folder) : folder_(std::move(folder)) {}

    // Writes the block through the safe replacement of Save Config; false, leaving no
    // file behind, when the folder or the file cannot be written.
    bool keep(const ConfigBlock& block, HistoryKind kind, std::time_t when) const;
    // The entries newest first; files named otherwise are not entries.
    std::vector<HistoryEntry> list() const;

    const std::string& folder() const { return folder_; }

  private:
    std::string folder_;
};

// An entry with the number of elements in which it differs from the working values.
struct HistoryRow {
    HistoryEntry entry;
    std::optional<size_t> differences; // nothing for a file that is no whole block
};
// `editorBlock` is the block the working values stand for.
std::vector<HistoryRow> ListHistory(const ConfigHistory& history, const ConfigBlock& editorBlock);
