#include "config/catalogue.h"

namespace {

constexpr const char* kU8 = "unsigned char";
constexpr const char* kS8 = "signed char";

constexpr float kStep0196 = 0.0196f;
constexpr float kStep392 = 0.392f;
constexpr float kStep04 = 0.04f;
constexpr float kStep08793 = 0.08793f;

constexpr PAR_long Par(uint16_t offset, uint8_t cols, uint8_t rows, const char* key,
                       const char* label, const char* range, float scale = 1.0f,
                       const char* type = kU8) {
    return PAR_long{offset, std::nullopt, cols, rows, key, label, range, scale, type};
}

constexpr std::array<PAR_long, kSystemParCount> kSystemPars{{
    Par(0, 1, 1, "led_dimmer", "dimmer", "0..2"),
    Par(1, 1, 1, "auto_cdiff_mode", "mode", "0..4"),
    Par(2, 1, 1, "manual_cdiff_mode", "mode", "0..4"),
    Par(3, 2, 1, "throttle_scalings", "throttle", "0..5", kStep0196),
    Par(5, 2, 1, "pot_scalings", "pot", "0..5", kStep0196),
    Par(7, 8, 2, "throttle_curve", "throt", "curve"),
    Par(23, 8, 2, "throttle_brake", "throt", "val"),
    Par(39, 1, 1, "g_origin", "origin", "0..4"),
    Par(40, 1, 1, "t2vkmh", "val", "..171.."),
    Par(41, 1, 1, "tABS2vkmh", "val", "..154.."),
    Par(42, 1, 1, "speed_source", "source", "0..3"),
    Par(43, 1, 1, "gearbox_sens", "on/off", "0..1"),
    Par(44, 1, 1, "abs2speed", "val", "1..8..16"),
    Par(45, 1, 1, "sub_dash", "on/off", "0..1"),
    Par(46, 1, 1, "display_m", "on/off", "0..1"),
    Par(47, 1, 1, "can_mode", "enable", "0,1,2"),
    Par(48, 8, 1, "can_mob", "enable", "0..1"),
    Par(56, 1, 1, "ee_wr_mode", "mode", "0..2"),
    Par(57, 1, 1, "vrs_mode", "mode", "0..2"),
    Par(58, 1, 1, "at_mt", "at_mt", "0..2"),
    Par(59, 2, 1, "pwm_tol", "min/max", "duty %", kStep392),
    Par(61, 1, 1, "pwm_off", "duty", "1..20", kStep392),
    Par(62, 2, 1, "i_tol", "max/max2", "5A max", kStep04),
    Par(64, 1, 1, "steering_div", "gear", "..2,7..", kStep08793),
    Par(65, 1, 1, "steering_ofs", "val", "..0..", 1.0f, kS8),
}};

// One mode's entries, offsets from the mode's base.
constexpr std::array<PAR_long, kModeParCount> kModePars{{
    Par(0, 8, 2, "speed_derating", "speed", "derating"),
    Par(16, 1, 1, "en_left_foot", "enable", "0..1"),
    Par(17, 8, 2, "sp_derating_br", "speed", "derating"),
    Par(33, 1, 1, "enable_slip", "slip", "0..1"),
    Par(34, 8, 2, "desired_slip", "speed", "slip"),
    Par(50, 1, 1, "slip_control_range", "speed", "0..5..255"),
    Par(51, 1, 1, "min_throt_slip", "throt", "0..5..255"),
    Par(52, 1, 1, "max_slip_control", "control", "0..128..255"),
    Par(53, 1, 1, "enable_gsense", "enable", "0..1"),
    Par(54, 6, 6, "gsense_2d", "x", "y"),
    Par(102, 1, 1, "steering_mode", "val", "0..2"),
    Par(103, 6, 6, "AngleG_2d", "x", "y"),
}};

constexpr std::array<uint16_t, kModeCount> kModeBase{66, 217, 368};

constexpr std::array<PAR_long, kParCount> BuildCatalogue() {
    std::array<PAR_long, kParCount> all{};
    size_t n = 0;
    for (const auto& p : kSystemPars) {
        all[n++] = p;
    }
    for (uint16_t base : kModeBase) {
        for (auto p : kModePars) {
            p.data = uint16_t(p.data + base);
            all[n++] = p;
        }
    }
    return all;
}

// The tree as written for the reader: a node names its parameter by key.
struct NodeEntry {
    const char* text;
    int depth;
    bool isParameter;
};

constexpr std::array<NodeEntry, 28> kSystemTree{{
    {"System", 0, false},
    {"CAN", 1, false},
    {"can_mode", 2, true},
    {"can_mob", 2, true},
    {"steering_div", 2, true},
    {"steering_ofs", 2, true},
    {"PWM", 1, false},
    {"vrs_mode", 2, true},
    {"at_mt", 2, true},
    {"pwm_tol", 2, true},
    {"pwm_off", 2, true},
    {"i_tol", 2, true},
    {"ee_wr_mode", 1, true},
    {"led_dimmer", 1, true},
    {"auto_cdiff_mode", 1, true},
    {"manual_cdiff_mode", 1, true},
    {"throttle_scalings", 1, true},
    {"pot_scalings", 1, true},
    {"throttle_curve", 1, true},
    {"throttle_brake", 1, true},
    {"g_origin", 1, true},
    {"t2vkmh", 1, true},
    {"tABS2vkmh", 1, true},
    {"speed_source", 1, true},
    {"gearbox_sens", 1, true},
    {"abs2speed", 1, true},
    {"sub_dash", 1, true},
    {"display_m", 1, true},
}};

// Below each "ModeN"; leaves refer to that mode's own entries.
constexpr std::array<NodeEntry, 16> kModeTree{{
    {"speed", 1, false},
    {"speed_derating", 2, true},
    {"en_left_foot", 2, true},
    {"sp_derating_br", 2, true},
    {"slip", 1, false},
    {"enable_slip", 2, true},
    {"desired_slip", 2, true},
    {"slip_control_range", 2, true},
    {"min_throt_slip", 2, true},
    {"max_slip_control", 2, true},
    {"gsense", 1, false},
    {"enable_gsense", 2, true},
    {"gsense_2d", 2, true},
    {"steering", 1, false},
    {"steering_mode", 2, true},
    {"AngleG_2d", 2, true},
}};

constexpr std::array<const char*, kModeCount> kModeNames{"Mode1", "Mode2", "Mode3"};

template <size_t N>
constexpr int IndexOfKey(const std::array<PAR_long, N>& pars, std::string_view key) {
    for (size_t i = 0; i < N; ++i) {
        if (key == pars[i].key) {
            return int(i);
        }
    }
    throw "tree names a key the catalogue lacks"; // fails the constant evaluation
}

constexpr std::array<TreeNodeDef, kTreeNodeCount> BuildTree() {
    std::array<TreeNodeDef, kTreeNodeCount> tree{};
    size_t n = 0;
    for (const auto& s : kSystemTree) {
        tree[n++] = {s.text, s.depth, s.isParameter ? IndexOfKey(kSystemPars, s.text) : -1};
    }
    for (size_t m = 0; m < kModeCount; ++m) {
        tree[n++] = {kModeNames[m], 0, -1};
        const int first = int(kSystemParCount + m * kModeParCount);
        for (const auto& s : kModeTree) {
            tree[n++] = {s.text, s.depth,
                         s.isParameter ? first + IndexOfKey(kModePars, s.text) : -1};
        }
    }
    return tree;
}

} // namespace

constexpr std::array<PAR_long, kParCount> kParLong = BuildCatalogue();
constexpr std::array<TreeNodeDef, kTreeNodeCount> kCatalogueTree = BuildTree();

const ElementType* FindElementType(std::string_view name) {
    for (const auto& t : kElementTypes) {
        if (name == t.name) {
            return &t;
        }
    }
    return nullptr;
}

size_t ByteCount(const PAR_long& p) {
    const ElementType* t = FindElementType(p.type);
    return t == nullptr ? 0 : ElementCount(p) * t->width;
}

std::string TreePath(size_t node) {
    if (node >= kCatalogueTree.size()) {
        return {};
    }
    std::string path = kCatalogueTree[node].text;
    int depth = kCatalogueTree[node].depth;
    // A group is the nearest node above with a smaller depth.
    for (size_t i = node; i-- > 0 && depth > 0;) {
        if (kCatalogueTree[i].depth < depth) {
            depth = kCatalogueTree[i].depth;
            path.insert(0, "/").insert(0, kCatalogueTree[i].text);
        }
    }
    return path;
}

int TreeNodeOf(int par) {
    for (size_t i = 0; i < kCatalogueTree.size(); ++i) {
        if (kCatalogueTree[i].par == par && par >= 0) {
            return int(i);
        }
    }
    return -1;
}
