#include "isp/dfu_engine.h"

#include <cstdio>

namespace {
constexpr int kIdleRounds = 4;
} // namespace

std::string HexAddress(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(address));
    return text;
}

IspFailure TransferFailure(int result, const std::string& what) {
    switch (result) {
    case kTransferNoDevice:
        return MakeFailure(IspError::DeviceLost, "the device left the bus while " + what);
    case kTransferTimeout:
        return MakeFailure(IspError::NoAnswer, "no answer within " +
                                                   std::to_string(DfuEngine::kTransferTimeoutMs) +
                                                   " ms while " + what);
    case kTransferStall:
        return MakeFailure(IspError::DeviceRefused, "request stalled while " + what);
    default:
        return MakeFailure(IspError::UsbFailure,
                           "transfer error " + std::to_string(result) + " while " + what);
    }
}

int DfuEngine::transfer(uint8_t type, uint8_t request, uint16_t value, uint8_t* data,
                        uint16_t length) {
    const uint64_t now = clock_.nowMs();
    if (now < readyAtMs_) {
        clock_.sleepMs(static_cast<uint32_t>(readyAtMs_ - now));
    }
    ++transfers_;
    return transport_.control(type, request, value, data, length, kTransferTimeoutMs);
}

int DfuEngine::dnload(const std::vector<uint8_t>& payload) {
    // The payload is only read; the seam takes one buffer for both directions.
    auto* data = const_cast<uint8_t*>(payload.data());
    return transfer(dfu::kRequestOut, dfu::Dnload, blockNumber_++, data,
                    static_cast<uint16_t>(payload.size()));
}

int DfuEngine::upload(uint8_t* data, uint16_t length) {
    return transfer(dfu::kRequestIn, dfu::Upload, blockNumber_++, data, length);
}

IspFailure DfuEngine::getStatus(dfu::StatusRecord& record, const std::string& what) {
    uint8_t answer[dfu::kStatusBytes] = {};
    const int got = transfer(dfu::kRequestIn, dfu::GetStatus, 0, answer, dfu::kStatusBytes);
    if (got < 0) {
        return TransferFailure(got, what);
    }
    const auto decoded = dfu::DecodeStatus(answer, static_cast<size_t>(got));
    if (!decoded) {
        return MakeFailure(IspError::NoAnswer,
                           "short status answer (" + std::to_string(got) + " bytes) while " + what);
    }
    record = *decoded;
    readyAtMs_ = clock_.nowMs() + record.pollTimeoutMs;
    return {};
}

void DfuEngine::clearError() {
    transfer(dfu::kRequestOut, dfu::ClrStatus, 0, nullptr, 0);
}

IspFailure DfuEngine::refusedAfterStall(IspError refused, const std::string& what) {
    dfu::StatusRecord record;
    record.status = dfu::ErrStalledPkt;
    if (IspFailure lost = getStatus(record, what); lost.error == IspError::DeviceLost) {
        return lost;
    }
    clearError();
    return MakeFailure(refused,
                       what + ": request stalled, device status " + dfu::StatusName(record.status));
}

IspFailure DfuEngine::awaitDone(IspError refused, const std::string& what) {
    const uint64_t start = clock_.nowMs();
    for (;;) {
        dfu::StatusRecord record;
        if (IspFailure failed = getStatus(record, what)) {
            if (failed.error != IspError::DeviceLost) {
                clearError();
            }
            return failed;
        }
        if (record.status == dfu::ErrNotDone || record.state == dfu::DnBusy) {
            if (clock_.nowMs() - start >= kBusyLimitMs) {
                return MakeFailure(IspError::NoAnswer, "still busy after " +
                                                           std::to_string(kBusyLimitMs / 1000) +
                                                           " s while " + what);
            }
            clock_.sleepMs(std::max(record.pollTimeoutMs, kBusyPollMinMs));
            continue;
        }
        if (record.status != dfu::Ok) {
            clearError();
            return MakeFailure(refused, what + ": device status " + dfu::StatusName(record.status));
        }
        return {};
    }
}

IspFailure DfuEngine::command(const std::vector<uint8_t>& payload, IspError refused,
                              const std::string& what) {
    const int sent = dnload(payload);
    if (sent == kTransferStall) {
        return refusedAfterStall(refused, what);
    }
    if (sent < 0) {
        return TransferFailure(sent, what);
    }
    return awaitDone(refused, what);
}

IspFailure DfuEngine::makeIdle() {
    const std::string what = "opening the bootloader";
    int sent = transfer(dfu::kRequestOut, dfu::Abort, 0, nullptr, 0);
    if (sent == kTransferNoDevice) {
        return TransferFailure(sent, what);
    }
    dfu::StatusRecord record;
    for (int round = 0; round < kIdleRounds; ++round) {
        if (IspFailure failed = getStatus(record, what)) {
            if (failed.error == IspError::DeviceLost) {
                return failed;
            }
            clearError();
            continue;
        }
        if (record.state == dfu::DfuIdle && record.status == dfu::Ok) {
            return {};
        }
        if (record.state == dfu::DfuIdle || record.state == dfu::DfuError) {
            clearError();
        } else {
            sent = transfer(dfu::kRequestOut, dfu::Abort, 0, nullptr, 0);
        }
    }
    return MakeFailure(IspError::DeviceRefused, "the bootloader stays in state " +
                                                    std::to_string(record.state) + " with status " +
                                                    dfu::StatusName(record.status));
}

IspFailure DfuEngine::readInfo(uint8_t group, uint8_t index, uint8_t& value) {
    const std::string what = "reading the device's information";
    if (IspFailure failed =
            command(dfu::ReadInfoCommand(group, index), IspError::DeviceRefused, what)) {
        return failed;
    }
    const int got = upload(&value, 1);
    if (got < 0) {
        return TransferFailure(got, what);
    }
    if (got != 1) {
        return MakeFailure(IspError::NoAnswer, "no byte in the answer while " + what);
    }
    return {};
}

IspFailure DfuEngine::eraseChip() {
    return command(dfu::EraseChipCommand(), IspError::EraseFailed, "erasing");
}

IspFailure DfuEngine::selectPage(uint8_t page) {
    return command(dfu::SelectPageCommand(page), IspError::DeviceRefused, "selecting the page");
}

IspFailure DfuEngine::programBlock(uint16_t first, const uint8_t* data, size_t count) {
    return command(dfu::ProgramFlashBlock(first, data, count), IspError::WriteRefused,
                   "writing at " + HexAddress(first));
}

IspFailure DfuEngine::readFlash(uint16_t first, uint8_t* out, size_t count) {
    const std::string what = "reading at " + HexAddress(first);
    const auto last = static_cast<uint16_t>(first + count - 1);
    const int sent = dnload(dfu::ReadFlashCommand(first, last));
    if (sent < 0 && sent != kTransferStall) {
        return TransferFailure(sent, what);
    }
    const int got =
        sent == kTransferStall ? kTransferStall : upload(out, static_cast<uint16_t>(count));
    if (got == kTransferStall) {
        dfu::StatusRecord record;
        record.status = dfu::ErrStalledPkt;
        if (IspFailure failed = getStatus(record, what); failed.error == IspError::DeviceLost) {
            return failed;
        }
        clearError();
        const IspError error =
            record.status == dfu::ErrFile ? IspError::ReadProtected : IspError::ReadFailed;
        return MakeFailure(error, what + ": device status " + dfu::StatusName(record.status));
    }
    if (got < 0) {
        return TransferFailure(got, what);
    }
    if (static_cast<size_t>(got) != count) {
        return MakeFailure(IspError::ReadFailed, what + ": " + std::to_string(got) + " of " +
                                                     std::to_string(count) + " bytes");
    }
    return {};
}

IspFailure DfuEngine::startApplication() {
    const std::string what = "starting the application";
    const int sent = dnload(dfu::StartApplicationCommand());
    if (sent < 0) {
        return sent == kTransferStall ? refusedAfterStall(IspError::StartFailed, what)
                                      : TransferFailure(sent, what);
    }
    // The device leaves at this one; whether the transfer still completes does not matter.
    dnload({});
    return {};
}
