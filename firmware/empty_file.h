#pragma once

#include <cstdint>
#include <string>

// The one-byte Intel HEX file that makes the ISP library set up its buffer for
// the range 0..rangeEnd: a 0x00 at both ends and the end record. It is written
// into the working directory on construction and deleted on destruction.
class EmptyFile {
  public:
    explicit EmptyFile(int32_t rangeEnd);
    ~EmptyFile();
    EmptyFile(const EmptyFile&) = delete;
    EmptyFile& operator=(const EmptyFile&) = delete;

    // "my_empty_file%04X.hex" of rangeEnd + 1.
    const char* name() const { return name_.c_str(); }
    // False when the file could not be created or written in full.
    bool created() const { return created_; }

    // The second record, ":01%04X0000%02X" with CR LF, for the low 16 bits of rangeEnd.
    static std::string RangeEndRecord(int32_t rangeEnd);
    static std::string FileName(int32_t rangeEnd);

  private:
    std::string name_;
    bool opened_ = false;
    bool created_ = false;
};
