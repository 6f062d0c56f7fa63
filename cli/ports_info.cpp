#include "cli/commands.h"

#include "firmware/board_table.h"
#include "link/device_commands.h"
#include "link/port_selection.h"
#include "link/posix/port_path.h"

#include <filesystem>

namespace {

struct FoundPort {
    int number;
    std::string path;
    bool controller;
};

// Whether the device behind port `n` answers the connect command as a controller does.
bool AnswersAsController(int n) {
    CommDevice port;
    if (!port.open(n)) {
        return false;
    }
    uint8_t answer = 0;
    const bool ok = requestAnswer(port, Cmd::Connect, 1, &answer) && answer == kConnectReady;
    port.close();
    return ok;
}

std::vector<FoundPort> FindPorts() {
    std::vector<FoundPort> found;
    for (int n = 1; n <= kAutoLastPort; ++n) {
        std::error_code ec;
        const std::filesystem::path target =
            std::filesystem::canonical(ResolvePortPath(n), ec); // follows comN links
        if (!ec) {
            found.push_back({n, target.string(), AnswersAsController(n)});
        }
    }
    return found;
}

const char* BoardName(uint8_t id) {
    const Board* board = FindBoard(id);
    return board != nullptr ? board->listText : "unknown";
}

} // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

ExitCode RunPorts(const CliIo& io, bool json) {
    const std::vector<FoundPort> ports = FindPorts();
    if (json) {
        io.out << "[";
        for (size_t i = 0; i < ports.size(); ++i) {
            io.out << (i == 0 ? "" : ",") << "{\"port\":\"COM" << ports[i].number
                   << "\",\"path\":" << JsonString(ports[i].path)
                   << ",\"controller\":" << (ports[i].controller ? "true" : "false") << "}";
        }
        io.out << "]\n";
    } else {
        for (const FoundPort& p : ports) {
            io.out << "COM" << p.number << '\t' << p.path << (p.controller ? "\tcontroller" : "")
                   << '\n';
        }
    }
    if (ports.empty()) {
        io.err << "No port found\n";
        return ExitCode::NoPort;
    }
    return ExitCode::Ok;
}

ExitCode RunInfo(const CliIo& io, const PortChoice& choice, bool json) {
    CommDevice port;
    MyErrLog log;
    StreamListSink messages(io.err);
    log.attach(&messages);
    if (!OpenChosenPort(port, log, choice)) {
        return ExitCode::NoPort;
    }
    std::string failure;
    uint8_t answer[kBoardInfoSize] = {};
    const bool ok = requestBoardInfo(port, failure, answer);
    port.close();
    if (!ok) {
        io.err << "Can't read the device: " << failure << '\n';
        return ExitCode::NoAnswer;
    }
    const uint8_t id = answer[kBoardInfoIdIndex];
    const std::string date = BoardInfoDateText(answer);
    if (json) {
        io.out << "{\"board_id\":" << int(id) << ",\"board\":" << JsonString(BoardName(id))
               << ",\"firmware_date\":" << JsonString(date) << "}\n";
    } else {
        io.out << "BrdId: " << int(id) << '\n'
               << "Board: " << BoardName(id) << '\n'
               << "Firmware date bild: " << date << '\n';
    }
    return ExitCode::Ok;
}
