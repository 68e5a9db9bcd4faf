#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "text/c_runtime.h"
#include "text/date_time.h"
#include "text/mbcs.h"
#include "text/number_text.h"

namespace kova {
namespace {

struct NumberCase {
    double value;
    const char* text;
};

TEST(NumberText, TenSignificantDigits) {
    const NumberCase cases[] = {
        {60, "60."},
        {2.5, "2.5"},
        {0.05, "5.e-002"},
        {999999999999999.0, "1.e+015"},
        {0, "0."},
        {-0.0, "0."},
        {-2.5, "-2.5"},
        {1500, "1500."},
        {0.1, "0.1"},
        {0.5, "0.5"},
        {1.0 / 3.0, "0.3333333333"},
        {2.0 / 3.0, "0.6666666667"},
        {123.456, "123.456"},
        {1234567890, "1234567890"},
        {12345678901.0, "1.23456789e+010"},
        // p is taken from the exact value, before rounding to ten digits.
        {9999999999.6, "10000000000"},
        {0.099999999999, "1.e-001"},
        {3.5e16, "3.5e+016"},
        {1e-10, "1.e-010"},
        {-1e-10, "-1.e-010"},
        {1.00000000025, "1."},
        {1.7976931348623157e308, "1.797693135e+308"},
        {5e-324, "4.940656458e-324"},
        {99999999.0, "99999999."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberText(c.value), c.text) << c.value;
    }
    EXPECT_EQ(NumberText(std::numeric_limits<double>::infinity()), "1.#INF");
    EXPECT_EQ(NumberText(-std::numeric_limits<double>::infinity()), "-1.#INF");
}

TEST(NumberText, Integers) {
    EXPECT_EQ(IntegerText(0), "0");
    EXPECT_EQ(IntegerText(-15), "-15");
    EXPECT_EQ(IntegerText(2147483647), "2147483647");
    EXPECT_EQ(IntegerText(-2147483648LL), "-2147483648");
}

TEST(CRuntime, AtoiReadsTheLongestPrefixAndClamps) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"12.7", 12},
        {"-5", -5},
        {"+7", 7},
        {"  42x", 42},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-99999999999", -2147483647 - 1},
        {"1E3", 1},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(Atoi(text), value) << text;
    }
}

TEST(CRuntime, StrtodReadsPlainDecimalOnly) {
    const struct {
        const char* text;
        double value;
        std::size_t consumed;
    } cases[] = {
        {"1E3", 1000, 3}, {"12.7", 12.7, 4}, {".5", 0.5, 2}, {"5.", 5, 2},
        {"-.5e1", -5, 5}, {"1e", 1, 1},      {"1e+", 1, 1},  {"0.5abc", 0.5, 3},
        {" 3", 3, 2},     {"0x10", 0, 1},    {"inf", 0, 0},  {"nan", 0, 0},
        {"+", 0, 0},      {".", 0, 0},       {"1d3", 1, 1},  {"", 0, 0},
    };
    for (const auto& c : cases) {
        std::size_t consumed = 99;
        EXPECT_EQ(Strtod(c.text, &consumed), c.value) << c.text;
        EXPECT_EQ(consumed, c.consumed) << c.text;
    }
    EXPECT_TRUE(std::isinf(Atof("1e999")));
    EXPECT_EQ(Atof("1e-999"), 0.0);
}

// What a user types in the tolerance field or after --tolerance: full-width
// forms from an input method read as ASCII; only finite whole texts.
TEST(ReadNumberText, TakesFiniteNumbersInEitherWidth) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"5", 5.0},           {"５", 5.0},           {"－１．５ｅ２", -150.0},
        {"＋.5", 0.5},        {"　３　", 3.0},        {" 0.25 ", 0.25},
        {"1e999", std::nullopt}, {"１ｅ９９９", std::nullopt}, {"inf", std::nullopt},
        {"nan", std::nullopt},   {"", std::nullopt},          {"　", std::nullopt},
        {"5x", std::nullopt},    {"５円", std::nullopt},       {"1 2", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ReadNumberText(text), expected) << text;
    }
}

TEST(CRuntime, IgnoresTheCLibraryLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    // Where a comma locale exists, it must not change anything.
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            break;
        }
    }
    EXPECT_EQ(Atof("2.5"), 2.5);
    EXPECT_EQ(NumberText(2.5), "2.5");
    EXPECT_EQ(NumberText(0.05), "5.e-002");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(Mbcs, UpperCasesSingleBytesAndFullWidthLettersOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"arc s a", "ARC S A"},
        {"Mixed123", "MIXED123"},
        // Second bytes in a-z stay: ナ (83 69), 田 (93 63), 都 (93 73).
        {"\x83\x69\x93\x63\x93\x73", "\x83\x69\x93\x63\x93\x73"},
        {"a\x83\x69z", "A\x83\x69Z"},
        // Full-width b (82 82) becomes full-width B (82 61); full-width B stays.
        {"\x82\x82\x82\x61", "\x82\x61\x82\x61"},
        // Half-width katakana are single bytes and stay.
        {"\xB1\xB2", "\xB1\xB2"},
        // A lead byte at the very end is left alone.
        {"a\x83", "A\x83"},
        // A lead byte swallows the next byte, whatever it is.
        {"\x83z", "\x83z"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(UpperCase(input), expected);
    }
}

TEST(DateTimeText, WritesAndReadsTheFixedForm) {
    EXPECT_EQ(DateTimeText({2026, 12, 7, 9, 5, 3}), "2026/12/07 09:05:03");
    const auto parsed = ParseDateTimeText("2024/02/29 23:59:59");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, (DateTime{2024, 2, 29, 23, 59, 59}));
    for (const char* bad : {"2026/02/29 00:00:00", "2026/12/07 24:00:00", "2026/12/7 01:00:00",
                            "2026-12-07 01:00:00", "2026/13/01 00:00:00", "2026/12/07 01:00:0x",
                            "2026/12/07 01:00:00 ", "", "+026/12/07 01:00:00"}) {
        EXPECT_FALSE(ParseDateTimeText(bad)) << bad;
    }
}

TEST(DateTimeText, ElapsedWrapsAtADayAndNeverGoesNegative) {
    const DateTime start{2026, 12, 31, 23, 0, 0};
    const std::pair<DateTime, const char*> cases[] = {
        {start, "00:00:00"},
        {{2026, 12, 31, 23, 1, 5}, "00:01:05"},
        {{2027, 1, 1, 0, 2, 5}, "01:02:05"},
        {{2027, 1, 2, 0, 0, 1}, "01:00:01"},
        {{2026, 12, 31, 22, 0, 0}, "00:00:00"},
    };
    for (const auto& [end, text] : cases) {
        EXPECT_EQ(ElapsedText(start, end), text);
    }
}

}  // namespace
}  // namespace kova
