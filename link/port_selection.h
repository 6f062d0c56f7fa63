#pragma once

#include "core/list_sink.h"
#include "core/my_err_log.h"
#include "link/comm_device.h"
#include "link/dcb.h"

#include <string>
#include <string_view>
#include <vector>

// What the main window's port controls do, without the toolkit: the window passes the
// port list's text and the Auto check box's state and shows what lands in the lists.

// The port number from the text after its first three characters ("COM12" -> 12);
// text that is not a decimal integer gives 7; the result is the low 8 bits.
int PortFromText(std::string_view text);
// The port number from the text's last character alone ("COM12" -> 2); not a digit: 7.
int PortFromLastChar(std::string_view text);

inline constexpr int kAutoFirstPort = 3;
inline constexpr int kAutoLastPort = 99;
inline constexpr int kAutoLastPortShort = 10;

// OpenDevice (Button1Click): opens the chosen port or, with autoFlag, the first of
// 3..99 that opens; logs the outcome and appends the line-settings dump to listBox2.
void OpenDevice(CommDevice& port, MyErrLog& log, ListSink& listBox2, std::string_view portText,
                bool autoFlag);
// The hidden button (Button10Click): port from the last character, search 3..10, no dump.
void OpenDeviceShort(CommDevice& port, MyErrLog& log, std::string_view portText, bool autoFlag);
// CloseDevice (Button2Click).
void CloseDevice(CommDevice& port, MyErrLog& log);

// "Struct DCB" followed by the 26 labelled members of the record, in decimal.
std::vector<std::string> DcbDump(const DCB& dcb);
