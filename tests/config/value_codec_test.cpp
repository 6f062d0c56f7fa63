#include "config/value_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const PAR_long& Par(const std::string& key, size_t first = 0) {
    for (size_t i = first; i < kParCount; ++i) {
        if (key == kParLong[i].key) {
            return kParLong[i];
        }
    }
    ADD_FAILURE() << "no parameter " << key;
    return kParLong[0];
}

uint8_t RawByte(const PAR_long& p, float value) {
    ConfigBlock block{};
    WriteElement(block, p, 0, 0, value);
    return block[p.data];
}

TEST(ValueCodec, EveryRawByteSurvivesLoadAndStore) {
    for (int v = 0; v < 256; ++v) {
        ConfigBlock block;
        block.fill(uint8_t(v));
        WorkingValues w;
        LoadWorkingValues(w, block);
        ConfigBlock back{};
        StoreWorkingValues(w, back);
        ASSERT_EQ(back, block) << "raw " << v;
    }
    // Differing neighbours too, so no element reads or writes its neighbour's byte.
    ConfigBlock block;
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = uint8_t(i * 37 + 11);
    }
    WorkingValues w;
    LoadWorkingValues(w, block);
    ConfigBlock back{};
    StoreWorkingValues(w, back);
    EXPECT_EQ(back, block);
}

TEST(ValueCodec, LoadLaysOutWorkingValuesInCatalogueOrder) {
    ConfigBlock block{};
    block[0] = 12;
    block[3] = 0x32;
    block[4] = 0xFF;
    block[65] = 0xFF;
    block[217 + 54 + 36] = 9; // Mode2 gsense_2d x-axis point 0
    WorkingValues w;
    LoadWorkingValues(w, block);
    EXPECT_EQ(w.pars[0].values, 0);
    EXPECT_EQ(Par("gsense_2d").data, 120);
    size_t mode1Gsense = 0;
    while (std::string(w.pars[mode1Gsense].key) != "gsense_2d") {
        ++mode1Gsense;
    }
    EXPECT_EQ(w.pars[mode1Gsense].values, 120);
    EXPECT_EQ(*w.pars[60].values + ElementCount(w.pars[60]), 519u);
    EXPECT_EQ(w.values[0], 12.0f);
    EXPECT_EQ(w.values[3], 50.0f * 0.0196f);
    EXPECT_EQ(w.values[4], 255.0f * 0.0196f);
    EXPECT_EQ(w.values[65], -1.0f);
    EXPECT_EQ(w.values[307], 9.0f);
    const auto& gs2 = Par("gsense_2d", kSystemParCount + kModeParCount);
    EXPECT_EQ(ReadElement(block, gs2, 0, gs2.rows), 9.0f);
}

TEST(ValueCodec, TwoByteTypesAreLittleEndianAndSigned) {
    const PAR_long s16{10, std::nullopt, 2, 1, "k", "l", "r", 1.0f, "short"};
    const PAR_long u16{10, std::nullopt, 2, 1, "k", "l", "r", 1.0f, "unsigned short"};
    ConfigBlock block{};
    block[10] = 0x34;
    block[11] = 0x12;
    block[12] = 0xFE;
    block[13] = 0xFF;
    EXPECT_EQ(ReadElement(block, u16, 0, 0), 0x1234);
    EXPECT_EQ(ReadElement(block, s16, 1, 0), -2.0f);
    EXPECT_EQ(ReadElement(block, u16, 1, 0), 65534.0f);
    ConfigBlock out{};
    WriteElement(out, s16, 1, 0, -32768.0f);
    EXPECT_EQ(out[12], 0x00);
    EXPECT_EQ(out[13], 0x80);
    EXPECT_EQ(EnterValue(s16, "-40000", '.').value, -32768.0f);
    EXPECT_EQ(EnterValue(u16, "70000", '.').value, 65535.0f);
    EXPECT_FALSE(EnterValue(u16, "70000", '.').notANumber);
    // An element past the end of the block is neither read nor written.
    const PAR_long tail{518, std::nullopt, 1, 1, "k", "l", "r", 1.0f, "short"};
    block[518] = 7;
    EXPECT_EQ(ReadElement(block, tail, 0, 0), 0.0f);
    WriteElement(block, tail, 0, 0, 1.0f);
    EXPECT_EQ(block[518], 7);
}

struct Entered {
    const char* key;
    const char* text; // '.' is replaced by the separator under test
    int raw;
    const char* cell;
};

class EnterValueTest : public ::testing::TestWithParam<char> {
  protected:
    std::string WithSep(const char* text) const {
        std::string s = text;
        for (char& c : s) {
            if (c == '.') {
                c = GetParam();
            }
        }
        return s;
    }
};

TEST_P(EnterValueTest, QuantisesDownAndClampsToTheElementType) {
    const Entered cases[] = {
        {"throttle_scalings", "0.98", 50, "0.9800"},
        {"throttle_scalings", "1", 51, "0.9995"},
        {"throttle_scalings", "5", 255, "4.9980"},
        {"throttle_scalings", "6", 255, "4.9980"},
        {"pwm_off", "1.96", 5, "1.9599"},
        {"pwm_off", "1.9599", 4, "1.5679"},
        {"pwm_off", "100", 255, "99.959"},
        {"steering_div", "2.7", 30, "2.6379"},
        {"i_tol", "0.5", 12, "0.4799"},
        {"led_dimmer", "300", 255, "255"},
        {"led_dimmer", "-5", 0, "0"},
        {"led_dimmer", "200", 200, "200"},
        {"led_dimmer", "12.3", 12, "12"},
        {"steering_ofs", "-200", -128, "-128"},
        {"steering_ofs", "200", 127, "127"},
        {"steering_ofs", "-0.5", -1, "-1"},
        {"led_dimmer", "-0", 0, "0"},
        {"led_dimmer", " 7 ", 7, "7"},
        {"led_dimmer", "1e999", 255, "255"},
        {"led_dimmer", "-1e999", 0, "0"},
        {"led_dimmer", "25e-1", 2, "2"},
        {"led_dimmer", "1e-999", 0, "0"},
    };
    for (const auto& c : cases) {
        const PAR_long& p = Par(c.key);
        const EnteredValue entered = EnterValue(p, WithSep(c.text), GetParam());
        const float v = entered.value;
        EXPECT_EQ(v, float(c.raw) * p.scale) << c.key << " " << c.text;
        EXPECT_EQ(CellText(v, GetParam()), WithSep(c.cell)) << c.key << " " << c.text;
        EXPECT_EQ(int8_t(RawByte(p, v)), int8_t(c.raw)) << c.key << " " << c.text;
        EXPECT_FALSE(entered.notANumber) << c.text;
    }
    EXPECT_EQ(RawByte(Par("steering_ofs"), -128.0f), 0x80);
    EXPECT_EQ(RawByte(Par("steering_ofs"), 127.0f), 0x7F);
}

TEST_P(EnterValueTest, TextThatIsNoNumberSaysSoAndGivesZero) {
    const char other = GetParam() == '.' ? ',' : '.';
    for (std::string text : {"abc", "", " ", "1.2.3", ".", "-", "1e", "1x", "nan", "inf", "0x10"}) {
        text = WithSep(text.c_str());
        const EnteredValue entered = EnterValue(Par("led_dimmer"), text, GetParam());
        EXPECT_EQ(entered.value, 0.0f) << text;
        EXPECT_TRUE(entered.notANumber) << text;
    }
    const EnteredValue entered =
        EnterValue(Par("led_dimmer"), std::string("1") + other + "5", GetParam());
    EXPECT_EQ(entered.value, 0.0f);
    EXPECT_TRUE(entered.notANumber);
}

INSTANTIATE_TEST_SUITE_P(Separators, EnterValueTest, ::testing::Values('.', ','));

TEST(ValueCodec, TextsOfValues) {
    EXPECT_EQ(CellText(1 * 0.0196f, '.'), "0.0196");
    EXPECT_EQ(CellText(5 * 0.392f, '.'), "1.9599");
    EXPECT_EQ(CellText(255 * 0.392f, ','), "99,959");
    EXPECT_EQ(CellText(255.0f, '.'), "255");
    EXPECT_EQ(CellText(-1.0f, '.'), "-1");
    EXPECT_EQ(FullText(12.0f, '.'), "12");
    EXPECT_EQ(FullText(0.0f, '.'), "0");
    EXPECT_EQ(FullText(5 * 0.392f, ','), "1,95999991893768");
    EXPECT_EQ(FullText(65535.0f, '.'), "65535");
}

TEST(ValueCodec, EnteredValuesAreDisplayValuesOfARaw) {
    // Whatever is typed, the result stores as a raw integer that reads back as it.
    for (const char* key : {"throttle_scalings", "pwm_off", "i_tol", "steering_div"}) {
        const PAR_long& p = Par(key);
        for (int n = 0; n < 256; ++n) {
            const float shown = float(n) * p.scale;
            for (const std::string& text : {FullText(shown, '.'), CellText(shown, '.')}) {
                const float v = EnterValue(p, text, '.').value;
                ConfigBlock block{};
                WriteElement(block, p, 0, 0, v);
                ASSERT_EQ(ReadElement(block, p, 0, 0), v) << key << " " << text;
                ASSERT_LE(v, shown) << key << " " << text;
            }
        }
    }
}

} // namespace
