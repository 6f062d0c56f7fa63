#include "isp/isp_session.h"

#include "firmware/intel_hex.h"
#include "isp/dfu_protocol.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

std::string UsbId(uint16_t productId) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", kBootloaderVendorId, productId);
    return text;
}

std::string ChipLabel(const IspChip& chip) {
    return UsbId(chip.productId) + " (" + std::string(chip.name) + ")";
}

std::string SignatureText(const uint8_t* bytes) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", bytes[0], bytes[1], bytes[2]);
    return text;
}

std::string ByteText(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// The largest HEX text the library reads, as large as the program's own image buffer.
constexpr uint32_t kMaxHexText = 0x20000;

constexpr const char* kUdevAdvice =
    "install packaging/70-korvex.rules as /etc/udev/rules.d/70-korvex.rules (it grants the "
    "logged-in user access with TAG+=\"uaccess\"), run \"udevadm control --reload-rules\" and "
    "replug the device";

} // namespace

bool IspSession::fail(IspFailure failure) {
    failure_ = std::move(failure);
    failure_.message += note_;
    return false;
}

bool IspSession::succeed() {
    failure_ = {};
    return true;
}

bool IspSession::notSupported(const char* name) {
    return fail(IspError::NotSupported, name);
}

void IspSession::setProgress(const char* step, int percent) {
    step_.store(step);
    percent_.store(percent);
}

bool IspSession::init() {
    exit();
    chip_ = nullptr;
    buffer_.clear();
    end_ = 0;
    rangeFailure_ = {};
    note_.clear();
    result_.clear();
    return succeed();
}

bool IspSession::selectDevice(const char* name) {
    const IspChip* chip = name != nullptr ? FindIspChip(name) : nullptr;
    if (chip == nullptr) {
        return fail(IspError::UnknownDevice, name != nullptr ? name : "");
    }
    chip_ = chip;
    buffer_.assign(chip->applicationEnd + 1, 0xFF);
    end_ = 0;
    return succeed();
}

bool IspSession::selectCommHardware(int interface) {
    constexpr int kUsb = 2;
    if (interface != kUsb) {
        return fail(IspError::UnknownInterface, "interface " + std::to_string(interface));
    }
    return succeed();
}

bool IspSession::waitForBootloader(OpenOutcome& outcome) {
    const uint64_t start = clock_.nowMs();
    for (;;) {
        outcome = transport_.open(kBootloaderVendorId, chip_->productId);
        if (outcome.result != OpenResult::NotFound || clock_.nowMs() - start >= kBootloaderWaitMs) {
            return outcome.result == OpenResult::Opened;
        }
        clock_.sleepMs(kBootloaderPollMs);
    }
}

bool IspSession::openUsbPort() {
    if (chip_ == nullptr) {
        return fail(IspError::NoDeviceSelected);
    }
    exit();
    setProgress("Waiting for the bootloader", 0);
    OpenOutcome outcome;
    if (!waitForBootloader(outcome)) {
        const std::string label = ChipLabel(*chip_);
        switch (outcome.result) {
        case OpenResult::NoPermission:
            return fail(IspError::NoPermission,
                        label + " at " + outcome.where + "; " + kUdevAdvice);
        case OpenResult::Busy:
            return fail(IspError::DeviceBusy, label + " at " + outcome.where);
        case OpenResult::Failed:
            return fail(IspError::UsbFailure, outcome.where);
        default:
            break;
        }
        for (const IspChip& other : kIspChips) {
            if (&other != chip_ && transport_.open(kBootloaderVendorId, other.productId).result ==
                                       OpenResult::Opened) {
                transport_.close();
                return fail(IspError::WrongChip, "the bootloader on the bus is " +
                                                     ChipLabel(other) + ", the image is for " +
                                                     std::string(chip_->name));
            }
        }
        return fail(IspError::NoBootloader, "no USB device " + label + " appeared within " +
                                                std::to_string(kBootloaderWaitMs / 1000) + " s");
    }
    note_.clear();
    if (outcome.matching > 1) {
        note_ = " (" + std::to_string(outcome.matching) + " bootloaders " +
                UsbId(chip_->productId) + " on the bus; the first, " + outcome.where +
                ", was used)";
    }
    engine_.emplace(transport_, clock_);
    IspFailure failed = engine_->makeIdle();
    if (!failed) {
        failed = checkSignature();
    }
    if (failed) {
        exit();
        return fail(std::move(failed));
    }
    erasePending_ = false;
    return succeed();
}

IspFailure IspSession::checkSignature() {
    // The manufacturer's family code is common to all; name and revision tell the chips apart.
    static constexpr uint8_t kIndexes[3] = {dfu::kIndexFamily, dfu::kIndexProductName,
                                            dfu::kIndexProductRevision};
    uint8_t read[3] = {chip_->signature[0], 0, 0};
    for (int i = 1; i < 3; ++i) {
        if (IspFailure failed = engine_->readInfo(dfu::kInfoSignature, kIndexes[i], read[i])) {
            return failed;
        }
    }
    if (!std::equal(read, read + 3, chip_->signature.begin())) {
        return MakeFailure(IspError::WrongChip, std::string(chip_->name) + " expected (signature " +
                                                    SignatureText(chip_->signature.data()) +
                                                    "), the device reports " + SignatureText(read));
    }
    return {};
}

bool IspSession::ready() {
    if (!engine_) {
        return fail(IspError::NotOpen);
    }
    return true;
}

bool IspSession::readSpecialByte(int index) {
    if (!ready()) {
        return false;
    }
    if (index != 0) {
        return notSupported("ispReadSpecialByte beyond the bootloader version");
    }
    uint8_t version = 0;
    if (IspFailure failed = engine_->readInfo(dfu::kInfoBootloader, dfu::kIndexVersion, version)) {
        return fail(std::move(failed));
    }
    char text[4];
    std::snprintf(text, sizeof text, "%02X", version);
    result_ = text;
    return succeed();
}

bool IspSession::eraseDevice() {
    if (!ready()) {
        return false;
    }
    erasePending_ = true;
    return succeed();
}

bool IspSession::parseHexFile(const char* path) {
    if (chip_ == nullptr) {
        return fail(IspError::NoDeviceSelected);
    }
    std::ifstream file(path != nullptr ? path : "", std::ios::binary);
    if (!file) {
        return fail(IspError::HexFileUnreadable, std::string("cannot open ") + (path ? path : ""));
    }
    std::vector<uint8_t> text(kMaxHexText);
    file.read(reinterpret_cast<char*>(text.data()), std::streamsize(text.size()));
    const auto length = static_cast<uint32_t>(file.gcount());
    if (file.peek() != std::ifstream::traits_type::eof()) {
        return fail(IspError::HexFileUnreadable, std::string(path) + " is too large");
    }
    uint32_t dataBytes = 0;
    uint32_t last = 0;
    if (!ParseIntelHex(text, length, dataBytes, last)) {
        return fail(IspError::HexFileUnreadable, std::string(path) + " has no end record");
    }
    buffer_.assign(chip_->applicationEnd + 1, 0xFF);
    if (last > chip_->applicationEnd) {
        rangeFailure_ =
            MakeFailure(IspError::BeyondApplicationArea,
                        "data up to " + HexAddress(last) + ", the " + std::string(chip_->name) +
                            "'s application area ends at " + HexAddress(chip_->applicationEnd));
        return fail(rangeFailure_);
    }
    rangeFailure_ = {};
    std::copy(text.data(), text.data() + last + 1, buffer_.begin());
    end_ = last;
    return succeed();
}

bool IspSession::fillBufferAddrRange(unsigned first, unsigned last, const char* hexByte) {
    if (chip_ == nullptr) {
        return fail(IspError::NoDeviceSelected);
    }
    unsigned value = 0;
    char extra = 0;
    if (hexByte == nullptr || std::sscanf(hexByte, "%2x%c", &value, &extra) != 1) {
        return fail(IspError::HexFileUnreadable, "fill value is not a hexadecimal byte");
    }
    if (first > last || last > end_) {
        rangeFailure_ = MakeFailure(IspError::BeyondApplicationArea,
                                    "fill of " + HexAddress(first) + ".." + HexAddress(last) +
                                        " outside the parsed range 0x0000.." + HexAddress(end_));
        return fail(rangeFailure_);
    }
    std::fill(buffer_.begin() + first, buffer_.begin() + last + 1, static_cast<uint8_t>(value));
    return true;
}

IspFailure IspSession::writeFlash(uint32_t last) {
    if (IspFailure failed = engine_->selectPage(0)) {
        return failed;
    }
    for (uint32_t a = 0; a <= last; a += dfu::kMaxBlockData) {
        setProgress("Programming", 5 + static_cast<int>(50 * a / (last + 1)));
        const size_t count = std::min<size_t>(dfu::kMaxBlockData, last - a + 1);
        if (IspFailure failed =
                engine_->programBlock(static_cast<uint16_t>(a), buffer_.data() + a, count)) {
            return failed;
        }
    }
    return {};
}

IspFailure IspSession::verifyFlash(uint32_t last) {
    uint8_t read[dfu::kMaxUpload];
    for (uint32_t a = 0; a <= last; a += dfu::kMaxUpload) {
        setProgress("Verifying", 55 + static_cast<int>(45 * a / (last + 1)));
        const size_t count = std::min<size_t>(dfu::kMaxUpload, last - a + 1);
        if (IspFailure failed = engine_->readFlash(static_cast<uint16_t>(a), read, count)) {
            return failed;
        }
        const uint8_t* written = buffer_.data() + a;
        const auto [mine, theirs] = std::mismatch(written, written + count, read);
        if (mine != written + count) {
            const auto at = static_cast<uint32_t>(a + (mine - written));
            return MakeFailure(IspError::VerifyMismatch, "at " + HexAddress(at) + ": written " +
                                                             ByteText(*mine) + ", read back " +
                                                             ByteText(*theirs));
        }
    }
    return {};
}

bool IspSession::programDevice() {
    if (!ready()) {
        return false;
    }
    if (rangeFailure_) {
        return fail(rangeFailure_);
    }
    // Whole pages: the bytes after the image up to the page's end stay 0xFF.
    const uint32_t last = (end_ / kFlashPageBytes + 1) * kFlashPageBytes - 1;
    if (erasePending_) {
        setProgress("Erasing", 0);
        if (IspFailure failed = engine_->eraseChip()) {
            return fail(std::move(failed));
        }
        erasePending_ = false;
    }
    if (IspFailure failed = writeFlash(last)) {
        return fail(std::move(failed));
    }
    if (IspFailure failed = verifyFlash(last)) {
        return fail(std::move(failed));
    }
    setProgress("Verified", 100);
    return succeed();
}

bool IspSession::enterAppliMode() {
    if (!ready()) {
        return false;
    }
    setProgress("Starting the application", 100);
    IspFailure failed = engine_->startApplication();
    exit();
    return failed ? fail(std::move(failed)) : succeed();
}

void IspSession::exit() {
    if (engine_) {
        engine_.reset();
        transport_.close();
    }
}

bool IspSession::bootloaderPresent() {
    if (engine_) {
        return true;
    }
    for (const IspChip& chip : kIspChips) {
        if (transport_.open(kBootloaderVendorId, chip.productId).result != OpenResult::NotFound) {
            transport_.close();
            return true;
        }
    }
    return false;
}
