#pragma once

#include "link/device_commands.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The configuration block as the controller holds it.
using ConfigBlock = std::array<uint8_t, kConfigBlockSize>;

// The element types a descriptor can name, looked up by name in this order.
struct ElementType {
    const char* name;
    uint8_t width; // bytes, little-endian when 2
    bool isSigned;
    int32_t min;
    int32_t max;
};

inline constexpr std::array<ElementType, 4> kElementTypes{{
    {"unsigned char", 1, false, 0, 255},
    {"signed char", 1, true, -128, 127},
    {"unsigned short", 2, false, 0, 65535},
    {"short", 2, true, -32768, 32767},
}};

// The first type whose name equals `name`; nullptr when none does.
const ElementType* FindElementType(std::string_view name);

// One parameter of the configuration block.
struct PAR_long {
    uint16_t data;                  // byte offset of the first element in the block
    std::optional<uint16_t> values; // index of the first working value, once a block was loaded
    uint8_t cols;
    uint8_t rows;
    const char* key;
    const char* label;
    const char* range;
    float scale; // display value = raw integer * scale
    const char* type;
};

inline constexpr size_t kParCount = 61;
inline constexpr size_t kSystemParCount = 25;
inline constexpr size_t kModeParCount = 12;
inline constexpr size_t kModeCount = 3;

// The descriptors in block order, every `values` still empty.
extern const std::array<PAR_long, kParCount> kParLong;

// Rows above 2 make a map: rows x cols values, then cols x-axis and rows y-axis points.
constexpr bool IsMap(const PAR_long& p) {
    return p.rows > 2;
}
constexpr size_t ElementCount(const PAR_long& p) {
    const size_t grid = size_t(p.cols) * p.rows;
    return IsMap(p) ? grid + p.cols + p.rows : grid;
}
// Bytes the parameter occupies; 0 for an unknown type.
size_t ByteCount(const PAR_long& p);

// The per-run copy of the catalogue with one working value per block element. The
// descriptors learn their `values` when the first block is loaded.
struct WorkingValues {
    std::array<PAR_long, kParCount> pars = kParLong;
    std::array<float, kConfigBlockSize> values{};
};

// One node of the editor's tree, in display order. `depth` 0 is a top-level group;
// `par` is the catalogue index of a parameter node, or -1 for a group.
struct TreeNodeDef {
    const char* text;
    int depth;
    int par;
};

inline constexpr size_t kTreeNodeCount = 28 + kModeCount * 17;
extern const std::array<TreeNodeDef, kTreeNodeCount> kCatalogueTree;

// The node's text below its groups, "Mode2/gsense/gsense_2d"; empty for a bad index.
std::string TreePath(size_t node);
// The index into kCatalogueTree of the node of catalogue parameter `par`, or -1.
int TreeNodeOf(int par);
