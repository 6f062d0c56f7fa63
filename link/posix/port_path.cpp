#include "link/posix/port_path.h"

#include <cstdlib>
#include <sys/stat.h>

int PortNumber(const std::string& deviceName) {
    size_t first = deviceName.size();
    while (first > 0 && deviceName[first - 1] >= '0' && deviceName[first - 1] <= '9') {
        --first;
    }
    const size_t digits = deviceName.size() - first;
    if (digits == 0 || digits > 6) {
        return -1;
    }
    return std::atoi(deviceName.c_str() + first);
}

std::string DosDeviceLink(int port) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        return {};
    }
    return std::string(home) + "/.korvex/dosdevices/com" + std::to_string(port);
}

std::string ResolvePortPath(int port) {
    if (port < 1) {
        return {};
    }
    std::string link = DosDeviceLink(port);
    struct stat st {};
    // The entry itself decides, even when it dangles: then the open fails with
    // ENOENT rather than silently reaching some other device.
    if (!link.empty() && ::lstat(link.c_str(), &st) == 0) {
        return link;
    }
    if (port <= 2) {
        return "/dev/ttyS" + std::to_string(port - 1);
    }
    return "/dev/ttyACM" + std::to_string(port - 3);
}
