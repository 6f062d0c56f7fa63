#include "link/comm_device.h"

#include <cstdio>

std::string DeviceName(int port) {
    char name[32];
    if (port < 10) {
        std::snprintf(name, sizeof name, "Com%1d", port);
    } else {
        std::snprintf(name, sizeof name, "\\\\.\\COM%2d", port);
    }
    return name;
}

CommDevice::CommDevice() : CommDevice(MakePlatformSerialBackend()) {}

CommDevice::CommDevice(std::unique_ptr<SerialBackend> backend) : backend_(std::move(backend)) {}

bool CommDevice::open(int port) {
    if (open_) {
        close();
        // Even when the old port refused to close, this object no longer uses it: a
        // failed open below must leave it closed, not pointing at the old port.
        open_ = false;
    }
    if (!backend_->openDevice(DeviceName(port))) {
        return false;
    }
    if (!configure()) {
        // Release the device so a failed open leaks no descriptor. The backend keeps
        // the error code of the step that failed unless the release fails as well.
        backend_->closeDevice();
        return false;
    }
    open_ = true;
    return true;
}

bool CommDevice::configure() {
    if (!backend_->setupQueues(kQueueSize, kQueueSize)) {
        return false;
    }
    DCB dcb{};
    if (!backend_->getState(dcb)) {
        return false;
    }
    saved_ = dcb;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = kBaudRate;
    dcb.ByteSize = 8;
    dcb.Parity = 0;
    dcb.StopBits = 0;
    SetDcbFlag(dcb, DcbFlag::fParity, 0);
    SetDcbFlag(dcb, DcbFlag::fOutxCtsFlow, 1);
    SetDcbFlag(dcb, DcbFlag::fOutxDsrFlow, 0);
    SetDcbFlag(dcb, DcbFlag::fDtrControl, 1);
    SetDcbFlag(dcb, DcbFlag::fRtsControl, 2);
    SetDcbFlag(dcb, DcbFlag::fAbortOnError, 1);
    dcb.EvtChar = 0x53;
    if (!backend_->setState(dcb)) {
        return false;
    }
    CommTimeouts timeouts{};
    if (!backend_->getTimeouts(timeouts)) {
        return false;
    }
    timeouts.ReadIntervalTimeout = 0xFFFFFFFFu;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = kWritePerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteConstantMs;
    return backend_->setTimeouts(timeouts);
}

bool CommDevice::close() {
    if (!open_) {
        return true;
    }
    backend_->purge(kPurgeAll);
    if (!backend_->closeDevice()) {
        return false;
    }
    open_ = false;
    return true;
}

bool CommDevice::purge() {
    if (!open_) {
        return false;
    }
    backend_->purge(kPurgeAll);
    return true;
}

bool CommDevice::write(const uint8_t* bytes, uint32_t count) {
    if (!open_) {
        return false;
    }
    backend_->flush();
    uint32_t done = 0;
    return backend_->write(bytes, count, done) && done == count;
}

bool CommDevice::read(uint8_t* dest, uint32_t count) {
    if (!open_) {
        return false;
    }
    uint32_t done = 0;
    return backend_->read(dest, count, done) && done == count;
}
