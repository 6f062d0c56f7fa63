#pragma once

#include "link/serial_backend.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// A serial backend without a device, for the core's unit tests: it records every
// call and byte written, answers reads from a script, and can fail any step.
// Link tests use the real termios backend against the simulator instead.
class FakeSerial : public SerialBackend {
  public:
    struct Shared {
        std::vector<std::string> calls;            // "open:Com7", "setupQueues", "purge:15", ...
        std::vector<uint8_t> written;              // every byte written, in order
        std::deque<std::vector<uint8_t>> reads;    // one entry per read call; empty = timeout
        std::vector<std::string> existing{"Com7"}; // device names that open
        std::string failStep;    // a call name that fails ("setState", "write", ...)
        DCB driverState{};       // what getState reports
        int errorCode = 0;       // lastError after a failure
        bool autoAnswer = false; // answer from `responder` instead of `reads`
        std::vector<uint8_t> (*responder)(uint8_t command) = nullptr;
        uint8_t lastCommand = 0;
    };

    explicit FakeSerial(Shared& shared) : s_(shared) {}

    bool openDevice(const std::string& name) override {
        s_.calls.push_back("open:" + name);
        for (const auto& e : s_.existing) {
            if (e == name) {
                return ok("open");
            }
        }
        return fail(2);
    }
    bool setupQueues(uint32_t, uint32_t) override { return step("setupQueues"); }
    bool getState(DCB& dcb) override {
        dcb = s_.driverState;
        return step("getState");
    }
    bool setState(const DCB& dcb) override {
        applied = dcb;
        return step("setState");
    }
    bool getTimeouts(CommTimeouts&) override { return step("getTimeouts"); }
    bool setTimeouts(const CommTimeouts& t) override {
        timeouts = t;
        return step("setTimeouts");
    }
    bool purge(uint32_t actions) override {
        pendingReply.clear();
        return step("purge:" + std::to_string(actions));
    }
    bool flush() override { return step("flush"); }
    bool write(const uint8_t* bytes, uint32_t count, uint32_t& done) override {
        done = 0;
        if (!step("write")) {
            return false;
        }
        s_.written.insert(s_.written.end(), bytes, bytes + count);
        if (count > 0) {
            s_.lastCommand = bytes[0];
            if (s_.autoAnswer && s_.responder != nullptr && count == 1) {
                pendingReply = s_.responder(bytes[0]);
            }
        }
        done = count;
        return true;
    }
    bool read(uint8_t* dest, uint32_t count, uint32_t& done) override {
        done = 0;
        if (!step("read")) {
            return false;
        }
        std::vector<uint8_t> chunk;
        if (s_.autoAnswer) {
            chunk = std::move(pendingReply);
            pendingReply.clear();
            if (chunk.size() > count) {
                pendingReply.assign(chunk.begin() + count, chunk.end());
                chunk.resize(count);
            }
        } else if (!s_.reads.empty()) {
            chunk = s_.reads.front();
            s_.reads.pop_front();
            if (chunk.size() > count) {
                s_.reads.emplace_front(chunk.begin() + count, chunk.end());
                chunk.resize(count);
            }
        }
        for (size_t i = 0; i < chunk.size(); ++i) {
            dest[i] = chunk[i];
        }
        done = static_cast<uint32_t>(chunk.size());
        return true;
    }
    bool closeDevice() override { return step("close"); }
    int lastError() const override { return error; }

    DCB applied{};
    CommTimeouts timeouts{};
    int error = 0;

  private:
    bool step(const std::string& name) {
        if (name.rfind("open", 0) != 0) {
            s_.calls.push_back(name);
        }
        const std::string base = name.substr(0, name.find(':'));
        if (!s_.failStep.empty() && s_.failStep == base) {
            return fail(s_.errorCode == 0 ? 5 : s_.errorCode);
        }
        return true;
    }
    bool ok(const std::string&) { return true; }
    bool fail(int code) {
        error = code;
        return false;
    }

    Shared& s_;
    std::vector<uint8_t> pendingReply;
};
