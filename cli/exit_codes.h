#pragma once

// What korvex-cli ends with; scripts tell the outcomes apart by these alone.
enum class ExitCode : int {
    Ok = 0,
    Differ = 1,       // config diff: the two configurations differ
    Usage = 2,        // bad arguments (and any trouble of config diff, as diff(1) does)
    NoPort = 3,       // no port could be opened
    NoAnswer = 4,     // the port opened but the controller did not answer in full
    DeviceGone = 5,   // the controller went away while logging
    FileTrouble = 6,  // a file could not be read or written, or holds no usable data
    UpdateFailed = 7, // the firmware update did not complete
    NotConfirmed = 8, // update without --yes and no terminal to ask on, or the answer was no
};

inline int ToInt(ExitCode code) {
    return static_cast<int>(code);
}

// The table shown by --help, the README and the manual page.
inline constexpr const char* kExitCodeTable = "Exit codes:\n"
                                              "  0  done (config diff: the two are equal)\n"
                                              "  1  config diff: the two differ\n"
                                              "  2  bad arguments (config diff: any trouble)\n"
                                              "  3  no port could be opened\n"
                                              "  4  the controller did not answer\n"
                                              "  5  the controller went away while logging\n"
                                              "  6  a file could not be read or written\n"
                                              "  7  the firmware update failed\n"
                                              "  8  update not confirmed\n";
