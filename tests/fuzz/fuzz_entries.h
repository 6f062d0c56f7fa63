#pragma once

#include <cstddef>
#include <cstdint>

// The parsers of outside bytes, one entry a fuzz target. Each runs any bytes through
// the code the program runs on them and aborts when a property that must hold for
// every input fails. The libFuzzer targets and the corpus replay test share them.
void FuzzIntelHex(const uint8_t* data, size_t size);
void FuzzTypedText(const uint8_t* data, size_t size);
void FuzzConfigFile(const uint8_t* data, size_t size);
void FuzzPastedText(const uint8_t* data, size_t size);
void FuzzDinoFile(const uint8_t* data, size_t size);
void FuzzLiveFrames(const uint8_t* data, size_t size);
void FuzzSerialAnswers(const uint8_t* data, size_t size);
void FuzzDataLog(const uint8_t* data, size_t size);

// A folder of this process for the files an entry writes, removed at exit.
const char* FuzzScratchFolder();

struct FuzzTarget {
    const char* name; // also the corpus folder under tests/fuzz/corpus
    void (*run)(const uint8_t* data, size_t size);
};

inline constexpr FuzzTarget kFuzzTargets[] = {
    {"intel_hex", FuzzIntelHex},     {"typed_text", FuzzTypedText},
    {"config_file", FuzzConfigFile}, {"dino_file", FuzzDinoFile},
    {"live_frames", FuzzLiveFrames}, {"serial_answers", FuzzSerialAnswers},
    {"pasted_text", FuzzPastedText}, {"data_log", FuzzDataLog},
};
