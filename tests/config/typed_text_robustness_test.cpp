// Whatever a person types into a cell, the value that comes out is the display value
// of a raw integer inside the element type's range, and its cell text is short.
#include "config/catalogue.h"
#include "config/value_codec.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

TEST(TypedTextRobustness, AnyTextGivesAnInRangeStepValue) {
    std::mt19937 rng(519);
    const char alphabet[] = "0123456789.,+-eE xX\t\x80\xFF"
                            "abc";
    for (int round = 0; round < 3000; ++round) {
        const PAR_long& p = kParLong[rng() % kParLong.size()];
        const ElementType* type = FindElementType(p.type);
        ASSERT_NE(type, nullptr);
        std::string text(rng() % (round % 100 == 0 ? 400 : 12), ' ');
        for (char& c : text) {
            c = alphabet[rng() % (sizeof alphabet - 1)];
        }
        for (char sep : {'.', ','}) {
            const float v = EnterValue(p, text, sep).value;
            ASSERT_TRUE(std::isfinite(v)) << text;
            const double n = std::round(double(v) / double(p.scale));
            ASSERT_GE(n, type->min) << p.key << " " << text;
            ASSERT_LE(n, type->max) << p.key << " " << text;
            ASSERT_LE(CellText(v, sep).size(), 6u);
        }
    }
}
