#include "isp/isp_chips.h"

const IspChip* FindIspChip(std::string_view name) {
    for (const IspChip& chip : kIspChips) {
        if (chip.name == name) {
            return &chip;
        }
    }
    return nullptr;
}
