#pragma once

#include <array>
#include <cstdint>
#include <string>

// The engine-power estimate from the live speed and drive values, with eight
// coefficients that describe the car (kept in "dino.cfg").
class Dino {
  public:
    static constexpr int kCount = 8;

    Dino();

    void Compute(uint16_t speed, uint16_t drive);
    // The kept results truncated toward zero; NaN gives 0, out-of-range saturates.
    int Total() const;
    int Aero() const;

    std::array<float, kCount>& Values() { return coef_; }
    const std::array<float, kCount>& Values() const { return coef_; }
    int Count() const { return kCount; }
    std::string Name(int index) const;

    // Number of whole coefficients read (0 to 8); 0 and no change when it cannot open.
    int ReadFile(const std::string& path);
    // Number of coefficients written (8), or 0 when the file cannot be written.
    int WriteFile(const std::string& path) const;
    // Reads "dino.cfg" of the working folder, as every logger does at start; returns
    // the message list's line for it ("dino.cfg read OK" or "dino.cfg read ERR").
    const char* ReadWorkingFolderFile();

  private:
    std::array<std::string, kCount> names_;
    std::array<float, kCount> coef_;
    float wheel_ = 0, total_ = 0, aero_ = 0, acc_ = 0;
};
