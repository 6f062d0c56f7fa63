#pragma once

#include "link/dcb.h"

#include <termios.h>

// The driver's termios as the line-settings record: speed, data bits, parity, stop
// bits, CTS/RTS handshake, software flow control and the control characters; members
// termios has no place for are left as they are in `dcb`.
void DcbFromTermios(const termios& t, DCB& dcb);
// Raw mode plus the record's speed, data bits, parity (and its checking), stop bits and
// CTS/RTS handshake; false, `t` untouched, when termios cannot express them (a speed it
// lacks, 9 data bits ...).
bool TermiosFromDcb(const DCB& dcb, termios& t);
