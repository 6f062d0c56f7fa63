#include "link/device_commands.h"

#include <cstring>

bool sendCommand(CommDevice& port, uint8_t command, std::string& text) {
    if (port.write(&command, 1)) {
        text = "Send OK";
        return true;
    }
    text = "Send ERR=" + std::to_string(port.lastError());
    return false;
}

bool collectAnswer(CommDevice& port, size_t count, uint8_t* dest, size_t* received) {
    size_t unused = 0;
    size_t& got = received != nullptr ? *received : unused;
    got = 0;
    if (count == 0) {
        return false;
    }
    int emptyReads = 0;
    while (got < count) {
        if (!port.isOpen()) {
            return false;
        }
        uint8_t byte = 0;
        if (port.read(&byte, 1)) {
            dest[got++] = byte;
            emptyReads = 0;
        } else if (++emptyReads >= kMaxEmptyReads) {
            return false;
        }
    }
    return true;
}

bool requestAnswer(CommDevice& port, uint8_t command, size_t count, uint8_t* dest,
                   size_t* received) {
    port.purge();
    port.write(&command, 1);
    return collectAnswer(port, count, dest, received);
}

bool requestBoardInfo(CommDevice& port, std::string& text, uint8_t (&answer)[kBoardInfoSize]) {
    if (!port.isOpen()) {
        text += "COM is't open";
        return false;
    }
    if (!requestAnswer(port, Cmd::BoardInfo, kBoardInfoSize, answer)) {
        text += "Read err";
        return false;
    }
    return true;
}

std::string BoardInfoDateText(const uint8_t (&answer)[kBoardInfoSize]) {
    const char* first = reinterpret_cast<const char*>(answer) + kBoardInfoDateFirst;
    const size_t maxLen = kBoardInfoDateLast - kBoardInfoDateFirst + 1;
    return std::string(first, strnlen(first, maxLen));
}
