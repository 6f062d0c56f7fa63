#include "cli/port_choice.h"

#include "cli/cli_io.h"
#include "link/port_selection.h"

#include <algorithm>
#include <cctype>

std::optional<PortChoice> ParsePortChoice(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "auto") {
        return PortChoice{};
    }
    const std::string digits = lower.size() > 3 ? lower.substr(3) : std::string();
    if (lower.rfind("com", 0) != 0 || digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int n = std::stoi(digits);
    if (n < 1 || n > kAutoLastPort) {
        return std::nullopt;
    }
    return PortChoice{false, n};
}

bool OpenChosenPort(CommDevice& port, MyErrLog& log, const PortChoice& choice) {
    DiscardListSink dump;
    OpenDevice(port, log, dump, "COM" + std::to_string(choice.port), choice.automatic);
    return port.isOpen();
}
