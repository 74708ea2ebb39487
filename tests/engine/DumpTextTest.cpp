// The text forms of the cell dump: numbers as Python's repr() of a float
// writes them, A1 references, error texts and escaped text.
#include <gtest/gtest.h>

#include <limits>

#include "DumpText.h"

using namespace xlstool;

TEST(DumpText, NumbersAreTheShortestRoundTripText)
{
    struct Case {
        double Value;
        const char* Text;
    };
    const Case cases[] = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {1.0, "1.0"},
        {-0.5, "-0.5"},
        {100.0, "100.0"},
        {4022250974.0, "4022250974.0"},
        {4294967295.0, "4294967295.0"},
        {0.1, "0.1"},
        {1.0 / 3.0, "0.3333333333333333"},
        {123.456, "123.456"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {1e-05, "1e-05"},
        {2.5e-05, "2.5e-05"},
        {1e15, "1000000000000000.0"},
        {1234567890123456.0, "1234567890123456.0"},
        {9999999999999998.0, "9999999999999998.0"},
        {1e16, "1e+16"},
        {-2.25e20, "-2.25e+20"},
        {12345678901234567890.0, "1.2345678901234567e+19"},
        {1.5e-300, "1.5e-300"},
        {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const auto& c : cases) EXPECT_EQ(DumpNumber(c.Value), c.Text) << c.Text;
}

TEST(DumpText, ReferencesErrorsAndEscapes)
{
    EXPECT_EQ(A1Reference(0, 0), "A1");
    EXPECT_EQ(A1Reference(9, 25), "Z10");
    EXPECT_EQ(A1Reference(65535, 26), "AA65536");
    EXPECT_EQ(A1Reference(0, 255), "IV1");

    EXPECT_EQ(DumpErrorText(0x00), "#NULL!");
    EXPECT_EQ(DumpErrorText(0x07), "#DIV/0!");
    EXPECT_EQ(DumpErrorText(0x0F), "#VALUE!");
    EXPECT_EQ(DumpErrorText(0x17), "#REF!");
    EXPECT_EQ(DumpErrorText(0x1D), "#NAME?");
    EXPECT_EQ(DumpErrorText(0x24), "#NUM!");
    EXPECT_EQ(DumpErrorText(0x2A), "#N/A");
    EXPECT_EQ(DumpErrorText(0x2B), "#ERR43");

    EXPECT_EQ(EscapeDumpText(u"a\\b\tc\nd\re\x01\x1f\u00e4\u4e2d"), "a\\\\b\\tc\\nd\\re\\x01\\x1f\xc3\xa4\xe4\xb8\xad");
}
