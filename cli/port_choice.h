#pragma once

#include "core/my_err_log.h"
#include "link/comm_device.h"

#include <optional>
#include <string>

// The --port value: "auto" (the window's search from COM3) or COMn with n in 1..99.
struct PortChoice {
    bool automatic = true;
    int port = 0;
};

// Case-insensitive "auto" or "COMn"; nothing for any other text.
std::optional<PortChoice> ParsePortChoice(const std::string& text);

// Opens the chosen port as the window's Open button does, its messages on `log`.
bool OpenChosenPort(CommDevice& port, MyErrLog& log, const PortChoice& choice);
