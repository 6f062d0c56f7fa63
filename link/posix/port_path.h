#pragma once

#include <string>

// How this platform finds the tty of a COM port; the backend, the simulator and the
// tests all go through it.

// The port number N at the end of a device name ("Com7" -> 7, "\\.\COM12" -> 12);
// -1 when the name does not end in a number.
int PortNumber(const std::string& deviceName);

// $HOME/.korvex/dosdevices/comN, the link a user, a test or the simulator makes for
// port N; empty without a HOME.
std::string DosDeviceLink(int port);

// The tty for port N: DosDeviceLink(N) when that entry exists (even dangling), else
// /dev/ttyS0-1 for COM1-2 and /dev/ttyACM0 upward for COM3 upward; empty for N < 1.
std::string ResolvePortPath(int port);
