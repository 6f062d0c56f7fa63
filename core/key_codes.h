#pragma once

// The character a grid reports for Enter (Return or the keypad's Enter): a carriage
// return, as the windows' key-press handlers receive it.
inline constexpr char kEnterKey = '\r';
