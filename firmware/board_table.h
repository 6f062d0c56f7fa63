#pragma once

#include <array>
#include <cstdint>

// The boards KORVEX can update, in the order the device-type dialog lists them: the
// board id the controller reports, the dialog's text, the name of the embedded firmware
// image and the size of the board's chip.
struct Board {
    uint8_t id;
    const char* listText;
    const char* imageName;
    const char* chipSize;
};

inline constexpr std::array<Board, 4> kBoards = {{
    {0, "display_2016", "myres_display", "32k"},
    {2, "controller_2016", "myres", "32k"},
    {3, "display_2018", "myres_display_0x03", "16k"},
    {4, "controller_2018", "myres_0x04", "32k"},
}};

// The board of `id`, or nullptr for an id without an image.
inline const Board* FindBoard(uint8_t id) {
    for (const Board& board : kBoards) {
        if (board.id == id) {
            return &board;
        }
    }
    return nullptr;
}
