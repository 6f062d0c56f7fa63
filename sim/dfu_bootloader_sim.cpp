#include "sim/dfu_bootloader_sim.h"

#include <algorithm>
#include <cstring>

namespace {
// The second program block is where the faults that hit "a block" strike, so at
// least one block has gone through before.
constexpr int kFaultBlock = 2;
} // namespace

DfuBootloaderSim::DfuBootloaderSim(const IspChip& chip)
    : chip_(chip), flash_(chip.applicationEnd + 1, 0xFF) {}

void DfuBootloaderSim::setFault(Fault fault) {
    const std::lock_guard lock(mutex_);
    fault_ = fault;
}

void DfuBootloaderSim::setPollTimeoutMs(uint32_t ms) {
    const std::lock_guard lock(mutex_);
    pollTimeoutMs_ = ms;
}

void DfuBootloaderSim::setBusyPolls(int polls) {
    const std::lock_guard lock(mutex_);
    busyPollsSetting_ = polls;
}

std::vector<uint8_t> DfuBootloaderSim::flash() const {
    const std::lock_guard lock(mutex_);
    return flash_;
}

bool DfuBootloaderSim::gone() const {
    const std::lock_guard lock(mutex_);
    return started_ || vanished_;
}

bool DfuBootloaderSim::startedApplication() const {
    const std::lock_guard lock(mutex_);
    return started_;
}

int DfuBootloaderSim::erases() const {
    const std::lock_guard lock(mutex_);
    return erases_;
}

int DfuBootloaderSim::fail(uint8_t status, int result) {
    status_ = status;
    state_ = dfu::DfuError;
    pending_ = Pending::None;
    return result;
}

int DfuBootloaderSim::control(uint8_t requestType, uint8_t request, uint16_t /*value*/,
                              uint8_t* data, uint16_t length) {
    const std::lock_guard lock(mutex_);
    if (started_ || vanished_) {
        return kTransferNoDevice;
    }
    if (length > 0 && data == nullptr) {
        return kTransferIo;
    }
    if (requestType == dfu::kRequestOut) {
        switch (request) {
        case dfu::Dnload:
            return dnload(data, length);
        case dfu::ClrStatus:
            status_ = dfu::Ok;
            state_ = dfu::DfuIdle;
            return 0;
        case dfu::Abort:
            state_ = dfu::DfuIdle;
            pending_ = Pending::None;
            return 0;
        case dfu::Detach:
            return 0;
        default:
            return stall(dfu::ErrStalledPkt);
        }
    }
    if (requestType == dfu::kRequestIn) {
        switch (request) {
        case dfu::GetStatus:
            return getStatus(data, length);
        case dfu::GetState:
            if (length < 1) {
                return stall(dfu::ErrStalledPkt);
            }
            data[0] = state_;
            return 1;
        case dfu::Upload:
            return upload(data, length);
        default:
            return stall(dfu::ErrStalledPkt);
        }
    }
    return stall(dfu::ErrStalledPkt);
}

int DfuBootloaderSim::getStatus(uint8_t* data, uint16_t length) {
    if (length < dfu::kStatusBytes) {
        return stall(dfu::ErrStalledPkt);
    }
    dfu::StatusRecord record{status_, pollTimeoutMs_, state_};
    if (busyPolls_ > 0) {
        --busyPolls_;
        record = {dfu::ErrNotDone, pollTimeoutMs_, dfu::DnBusy};
    }
    dfu::EncodeStatus(record, data);
    return dfu::kStatusBytes;
}

bool DfuBootloaderSim::rangeOf(const uint8_t* data, uint32_t& first, uint32_t& last) const {
    first = (uint32_t{data[2]} << 8) | data[3];
    last = (uint32_t{data[4]} << 8) | data[5];
    return first <= last && last <= chip_.applicationEnd;
}

int DfuBootloaderSim::dnload(const uint8_t* data, uint16_t length) {
    if (length == 0) {
        if (startRequested_) {
            started_ = true; // leaves the bus
        }
        return 0;
    }
    if (length < 3) {
        return stall(dfu::ErrStalledPkt);
    }
    const uint8_t group = data[0];
    const uint8_t sub = data[1];
    if (group == 0x01 && sub == 0x00) {
        return program(data, length);
    }
    if (group == 0x03 && length >= 6) {
        return readCommand(data, length);
    }
    if (group == 0x04 && sub == 0x00 && data[2] == 0xFF) {
        std::fill(flash_.begin(), flash_.end(), 0xFF);
        unlocked_ = true;
        ++erases_;
        busyPolls_ = fault_ == Fault::SlowErase ? busyPollsSetting_ : 0;
        status_ = dfu::Ok;
        state_ = dfu::DfuIdle;
        return length;
    }
    if (group == 0x04 && sub == 0x03) {
        startRequested_ = true;
        return length;
    }
    if (group == 0x05) {
        return infoCommand(data, length);
    }
    if (group == 0x06 && sub == 0x03 && length >= 4) {
        return data[3] == 0 ? length : fail(dfu::ErrAddress, length);
    }
    return stall(dfu::ErrStalledPkt);
}

int DfuBootloaderSim::program(const uint8_t* data, uint16_t length) {
    if (!unlocked_) {
        return stall(dfu::ErrWrite);
    }
    if (length < dfu::kBlockHeaderBytes) {
        return fail(dfu::ErrUnknown, length);
    }
    uint32_t first = 0;
    uint32_t last = 0;
    if (!rangeOf(data, first, last)) {
        return fail(dfu::ErrAddress, length);
    }
    const size_t count = last - first + 1;
    const size_t offset =
        dfu::kBlockHeaderBytes + dfu::BlockFillerBytes(static_cast<uint16_t>(first));
    if (length != offset + count + dfu::kBlockSuffixBytes) {
        return fail(dfu::ErrUnknown, length);
    }
    ++blocks_;
    if (blocks_ == kFaultBlock && fault_ == Fault::Vanish) {
        vanished_ = true;
        return kTransferNoDevice;
    }
    if (blocks_ == kFaultBlock && fault_ == Fault::StallBlock) {
        return stall(dfu::ErrWrite);
    }
    std::memcpy(flash_.data() + first, data + offset, count);
    if (fault_ == Fault::FlipByte) {
        flash_[first + count / 2] ^= 0x01;
    }
    status_ = dfu::Ok;
    state_ = dfu::DnloadIdle;
    return length;
}

int DfuBootloaderSim::readCommand(const uint8_t* data, uint16_t length) {
    uint32_t first = 0;
    uint32_t last = 0;
    if (!rangeOf(data, first, last)) {
        return fail(dfu::ErrAddress, length);
    }
    if (data[1] == 0x00) {
        if (!unlocked_) {
            return stall(dfu::ErrWrite);
        }
        if (fault_ == Fault::ReadProtected) {
            return stall(dfu::ErrFile);
        }
        readFirst_ = first;
        readLast_ = last;
        pending_ = Pending::Read;
        state_ = dfu::UploadIdle;
        return length;
    }
    if (data[1] == 0x01) {
        for (uint32_t a = first; a <= last; ++a) {
            if (flash_[a] != 0xFF) {
                readFirst_ = a;
                pending_ = Pending::BlankAddress;
                status_ = dfu::ErrCheckErased;
                state_ = dfu::DfuError;
                return length;
            }
        }
        return length;
    }
    return stall(dfu::ErrStalledPkt);
}

int DfuBootloaderSim::infoCommand(const uint8_t* data, uint16_t length) {
    const IspChip& reported = fault_ == Fault::WrongSignature && &chip_ == &kIspChips[0]
                                  ? kIspChips[1]
                              : fault_ == Fault::WrongSignature ? kIspChips[0]
                                                                : chip_;
    int value = -1;
    if (data[1] == dfu::kInfoBootloader) {
        switch (data[2]) {
        case dfu::kIndexVersion:
            value = kBootloaderVersion;
            break;
        case dfu::kIndexBootId1:
            value = kBootId1;
            break;
        case dfu::kIndexBootId2:
            value = kBootId2;
            break;
        default:
            break;
        }
    } else if (data[1] == dfu::kInfoSignature) {
        switch (data[2]) {
        case dfu::kIndexManufacturer:
            value = kManufacturerCode;
            break;
        case dfu::kIndexFamily:
            value = reported.signature[0];
            break;
        case dfu::kIndexProductName:
            value = reported.signature[1];
            break;
        case dfu::kIndexProductRevision:
            value = reported.signature[2];
            break;
        default:
            break;
        }
    }
    if (value < 0) {
        return fail(dfu::ErrAddress, length);
    }
    pendingByte_ = static_cast<uint8_t>(value);
    pending_ = Pending::InfoByte;
    return length;
}

int DfuBootloaderSim::upload(uint8_t* data, uint16_t length) {
    switch (pending_) {
    case Pending::Read: {
        const size_t count = std::min<size_t>(length, readLast_ - readFirst_ + 1);
        std::memcpy(data, flash_.data() + readFirst_, count);
        pending_ = Pending::None;
        state_ = dfu::DfuIdle;
        return static_cast<int>(count);
    }
    case Pending::InfoByte:
        if (length < 1) {
            return stall(dfu::ErrStalledPkt);
        }
        data[0] = pendingByte_;
        pending_ = Pending::None;
        return 1;
    case Pending::BlankAddress:
        if (length < 2) {
            return stall(dfu::ErrStalledPkt);
        }
        data[0] = static_cast<uint8_t>(readFirst_ >> 8);
        data[1] = static_cast<uint8_t>(readFirst_ & 0xFF);
        pending_ = Pending::None;
        return 2;
    case Pending::None:
        break;
    }
    return stall(dfu::ErrStalledPkt);
}

OpenOutcome SimDfuTransport::open(uint16_t vendorId, uint16_t productId) {
    OpenOutcome outcome;
    open_ = nullptr;
    for (DfuBootloaderSim* device : devices_) {
        if (vendorId == kBootloaderVendorId && device->chip().productId == productId &&
            !device->gone()) {
            if (++outcome.matching == 1) {
                open_ = device;
            }
        }
    }
    if (open_ == nullptr) {
        return outcome;
    }
    outcome.where = "bus 1 device " + std::to_string(outcome.matching);
    if (denyAccess) {
        open_ = nullptr;
        outcome.result = OpenResult::NoPermission;
        return outcome;
    }
    outcome.result = OpenResult::Opened;
    return outcome;
}

int SimDfuTransport::control(uint8_t requestType, uint8_t request, uint16_t value, uint8_t* data,
                             uint16_t length, unsigned /*timeoutMs*/) {
    if (open_ == nullptr) {
        return kTransferNoDevice;
    }
    ++transfers;
    return open_->control(requestType, request, value, data, length);
}
