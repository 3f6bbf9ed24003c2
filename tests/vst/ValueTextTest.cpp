// Value-to-text helpers: their texts, and that a short maxLen cuts the text without writing past
// text[maxLen].
#include "vst/VstTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

using namespace vsttest;

namespace
{
enum class Helper { dB, Hz, ms, Float, Int };

struct Example
{
    Helper helper;
    double input;
    const char* expected;
};

void run (AudioEffect& effect, Helper helper, double input, char* text, std::int32_t maxLen)
{
    const auto f = static_cast<float> (input);
    switch (helper)
    {
        case Helper::dB:    effect.dB2string (f, text, maxLen); break;
        case Helper::Hz:    effect.Hz2string (f, text, maxLen); break;
        case Helper::ms:    effect.ms2string (f, text, maxLen); break;
        case Helper::Float: effect.float2string (f, text, maxLen); break;
        case Helper::Int:   effect.int2string (static_cast<std::int32_t> (input), text, maxLen); break;
    }
}

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

const Example examples[] = {
    { Helper::Float, 0, "0.000000" },
    { Helper::Float, 1.5, "1.500000" },
    { Helper::Float, -1.5, "-1.50000" },
    { Helper::Float, 123.456, "123.4560" },
    { Helper::Float, 1234567, "1234567." },
    { Helper::Float, -123456.7, "-123456." },
    { Helper::Float, 0.7, "0.699999" },        // cut, not rounded
    { Helper::Float, -0.0, "0.000000" },
    { Helper::Float, 9999999, "9999999." },
    { Helper::Float, -999999, "-999999." },
    { Helper::Float, 100000000, "Huge!" },
    { Helper::Float, -10000000, "Huge!" },
    { Helper::Float, 10000000, "Huge!" },      // would lose its highest digit
    { Helper::Float, 99999999, "Huge!" },
    { Helper::Float, -1000000, "Huge!" },
    { Helper::Float, -9999999, "Huge!" },
    { Helper::Float, inf, "Huge!" },
    { Helper::Float, -inf, "Huge!" },
    { Helper::Float, nan, "NaN" },
    { Helper::dB, 0, "-oo" },
    { Helper::dB, -3, "-oo" },
    { Helper::dB, 1, "0.000000" },
    { Helper::dB, 0.5, "-6.02059" },
    { Helper::dB, 2, "6.020599" },
    { Helper::dB, nan, "NaN" },
    { Helper::Hz, 100, "441.0000" },
    { Helper::Hz, 0, "0.000000" },
    { Helper::Hz, 1e-30, "Huge!" },
    { Helper::ms, 441, "10.00000" },
    { Helper::ms, 1, "0.022675" },
    { Helper::Int, 0, "0" },
    { Helper::Int, 42, "42" },
    { Helper::Int, -42, "-42" },
    { Helper::Int, 12345, "12345" },
    { Helper::Int, 99999999, "99999999" },
    { Helper::Int, 100000000, "Huge!" },
    { Helper::Int, INT_MAX, "Huge!" },
    { Helper::Int, -123456789, "-123456789" },
    { Helper::Int, -1000000000, "-1000000000" },
    { Helper::Int, INT_MIN, "-2147483648" },
};
} // namespace

TEST (ValueText, ExamplesAtEveryMaxLen)
{
    PlainEffect effect;
    constexpr unsigned char sentinel = 0xEE;

    for (const auto& example : examples)
    {
        const auto length = static_cast<std::int32_t> (std::strlen (example.expected));

        for (std::int32_t maxLen = 0; maxLen <= length + 2; ++maxLen)
        {
            char text[32];
            std::memset (text, sentinel, sizeof (text));
            run (effect, example.helper, example.input, text, maxLen);

            const std::string expected (example.expected, static_cast<std::size_t> (std::min (maxLen, length)));
            EXPECT_EQ (std::string (text), expected) << "input " << example.input << " maxLen " << maxLen;
            for (std::size_t i = static_cast<std::size_t> (maxLen) + 1; i < sizeof (text); ++i)
                ASSERT_EQ (static_cast<unsigned char> (text[i]), sentinel)
                    << "input " << example.input << " maxLen " << maxLen << " wrote byte " << i;
        }
    }
}

TEST (ValueText, NegativeMaxLenWritesNothing)
{
    PlainEffect effect;
    char text[4] = { 'a', 'b', 'c', 0 };
    effect.float2string (1.0f, text, -1);
    effect.int2string (7, text, -1);
    effect.dB2string (0.0f, text, -1);
    EXPECT_STREQ (text, "abc");
}

TEST (ValueText, UnitHelpersGoThroughOverrides)
{
    struct Overriding : PlainEffect
    {
        float getSampleRate() override { return 1000.0f; }
        void float2string (float value, char* text, std::int32_t maxLen) override
        {
            values.push_back (value);
            PlainEffect::float2string (value, text, maxLen);
        }
        std::vector<float> values;
    };

    Overriding effect;
    char text[16];
    effect.Hz2string (10.0f, text, 15);
    EXPECT_STREQ (text, "100.0000");
    effect.ms2string (250.0f, text, 15);
    EXPECT_STREQ (text, "250.0000");
    effect.dB2string (10.0f, text, 15);
    EXPECT_STREQ (text, "20.00000");
    EXPECT_EQ (effect.values, (std::vector<float> { 100.0f, 250.0f, 20.0f }));
}
