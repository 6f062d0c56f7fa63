#pragma once

#include "cli/cli_io.h"
#include "cli/exit_codes.h"
#include "cli/port_choice.h"

#include <cstdint>
#include <optional>
#include <string>

// One function per command; the argument parser fills the options, each function
// does the work and says how it ended.

ExitCode RunPorts(const CliIo& io, bool json);
ExitCode RunInfo(const CliIo& io, const PortChoice& port, bool json);

struct LogOptions {
    PortChoice port;
    std::string outDir;                // empty: the working folder
    std::optional<double> durationSec; // nothing: until stopped
    bool wait = false;
};
ExitCode RunLog(const CliIo& io, const LogOptions& options);

ExitCode RunConfigRead(const CliIo& io, const PortChoice& port, const std::string& file);
ExitCode RunConfigWrite(const CliIo& io, const PortChoice& port, const std::string& file,
                        bool likeOpen);
ExitCode RunConfigDiff(const CliIo& io, const PortChoice& port, const std::string& a,
                       const std::string& b, bool json);
ExitCode RunConfigExport(const CliIo& io, const PortChoice& port, const std::string& source,
                         const std::string& outFile);

struct DynoOptions {
    std::string log;
    double from = 0;
    std::optional<double> to;
    int smoothing = 0;
    bool json = false;
};
ExitCode RunDyno(const CliIo& io, const DynoOptions& options);

struct UpdateOptions {
    PortChoice port;
    uint8_t board = 0; // a board id, or kAutoDeviceType
    bool yes = false;
    bool recover = false;
};
ExitCode RunUpdate(const CliIo& io, const UpdateOptions& options);
// "auto" or a device type's name as the device-type dialog lists it.
std::optional<uint8_t> BoardChoice(const std::string& text);

// Text with the characters JSON needs escaped, in quotes.
std::string JsonString(const std::string& text);
