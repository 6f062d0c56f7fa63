#include "config/catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

const PAR_long& ParByKey(const std::string& key, size_t mode = 0) {
    // mode 0: System; 1..3: that mode's entry.
    const size_t first = mode == 0 ? 0 : kSystemParCount + (mode - 1) * kModeParCount;
    const size_t last = mode == 0 ? kSystemParCount : first + kModeParCount;
    for (size_t i = first; i < last; ++i) {
        if (key == kParLong[i].key) {
            return kParLong[i];
        }
    }
    ADD_FAILURE() << "no parameter " << key;
    return kParLong[0];
}

TEST(Catalogue, ParametersTileTheBlockInOrder) {
    size_t next = 0;
    size_t elements = 0;
    for (const auto& p : kParLong) {
        EXPECT_EQ(p.data, next) << p.key;
        ASSERT_NE(FindElementType(p.type), nullptr) << p.key;
        EXPECT_FALSE(p.values.has_value()) << p.key;
        next += ByteCount(p);
        elements += ElementCount(p);
    }
    EXPECT_EQ(next, kConfigBlockSize);
    EXPECT_EQ(elements, kConfigBlockSize);
    EXPECT_EQ(ParByKey("AngleG_2d", 3).data + ByteCount(ParByKey("AngleG_2d", 3)), 519u);
}

TEST(Catalogue, ShapesScalesAndTypes) {
    EXPECT_EQ(ElementCount(ParByKey("gsense_2d", 2)), 48u);
    EXPECT_TRUE(IsMap(ParByKey("AngleG_2d", 1)));
    EXPECT_FALSE(IsMap(ParByKey("throttle_curve")));
    EXPECT_EQ(ParByKey("gsense_2d", 2).data, 217 + 54);
    EXPECT_EQ(ParByKey("throttle_curve").data, 7);
    EXPECT_EQ(ParByKey("throttle_curve").cols, 8);

    EXPECT_EQ(ParByKey("throttle_scalings").scale, 0.0196f);
    EXPECT_EQ(ParByKey("pot_scalings").scale, 0.0196f);
    EXPECT_EQ(ParByKey("pwm_tol").scale, 0.392f);
    EXPECT_EQ(ParByKey("pwm_off").scale, 0.392f);
    EXPECT_EQ(ParByKey("i_tol").scale, 0.04f);
    EXPECT_EQ(ParByKey("steering_div").scale, 0.08793f);

    int signedCount = 0;
    int scaled = 0;
    for (const auto& p : kParLong) {
        signedCount += FindElementType(p.type)->isSigned ? 1 : 0;
        scaled += p.scale != 1.0f ? 1 : 0;
    }
    EXPECT_EQ(signedCount, 1);
    EXPECT_STREQ(ParByKey("steering_ofs").type, "signed char");
    EXPECT_EQ(ParByKey("steering_ofs").data, 65);
    EXPECT_EQ(scaled, 6);
    // The modes repeat the same entries at their own bases.
    for (size_t i = 0; i < kModeParCount; ++i) {
        const auto& m1 = kParLong[kSystemParCount + i];
        const auto& m3 = kParLong[kSystemParCount + 2 * kModeParCount + i];
        EXPECT_STREQ(m1.key, m3.key);
        EXPECT_EQ(m3.data - m1.data, 368 - 66);
    }
}

TEST(Catalogue, ElementTypesInLookupOrder) {
    ASSERT_EQ(kElementTypes.size(), 4u);
    EXPECT_STREQ(kElementTypes[0].name, "unsigned char");
    EXPECT_EQ(FindElementType("short")->width, 2);
    EXPECT_EQ(FindElementType("short")->min, -32768);
    EXPECT_EQ(FindElementType("unsigned short")->max, 65535);
    EXPECT_EQ(FindElementType("signed char")->min, -128);
    EXPECT_EQ(FindElementType("int"), nullptr);
}

std::string Path(size_t node) {
    // Texts of the node's ancestors and itself, joined with '/'.
    std::string path = kCatalogueTree[node].text;
    int depth = kCatalogueTree[node].depth;
    for (size_t i = node; i-- > 0 && depth > 0;) {
        if (kCatalogueTree[i].depth == depth - 1) {
            path = std::string(kCatalogueTree[i].text) + "/" + path;
            --depth;
        }
    }
    return path;
}

TEST(Catalogue, TreeGroupsEveryParameterOnce) {
    std::set<int> seen;
    std::vector<std::string> top;
    for (size_t i = 0; i < kCatalogueTree.size(); ++i) {
        const auto& n = kCatalogueTree[i];
        if (n.depth == 0) {
            top.push_back(n.text);
        }
        if (n.par >= 0) {
            EXPECT_TRUE(seen.insert(n.par).second) << n.text;
            EXPECT_STREQ(n.text, kParLong[size_t(n.par)].key);
        }
        // Depth never jumps by more than one level down.
        if (i > 0) {
            EXPECT_LE(n.depth, kCatalogueTree[i - 1].depth + 1);
        }
    }
    EXPECT_EQ(seen.size(), kParCount);
    EXPECT_EQ(top, (std::vector<std::string>{"System", "Mode1", "Mode2", "Mode3"}));

    EXPECT_EQ(Path(2), "System/CAN/can_mode");
    EXPECT_EQ(Path(5), "System/CAN/steering_ofs");
    EXPECT_EQ(Path(11), "System/PWM/i_tol");
    EXPECT_EQ(Path(12), "System/ee_wr_mode");
    EXPECT_EQ(Path(27), "System/display_m");
    EXPECT_EQ(Path(28), "Mode1");
    EXPECT_EQ(Path(29), "Mode1/speed");
    // Mode2's gsense_2d points at Mode2's own entry.
    const size_t mode2 = 28 + 17;
    EXPECT_EQ(Path(mode2 + 13), "Mode2/gsense/gsense_2d");
    EXPECT_EQ(kParLong[size_t(kCatalogueTree[mode2 + 13].par)].data, 217 + 54);
    EXPECT_EQ(Path(kTreeNodeCount - 1), "Mode3/steering/AngleG_2d");
    EXPECT_EQ(kCatalogueTree[kTreeNodeCount - 1].par, 60);
}

} // namespace
