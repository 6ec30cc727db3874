#include "core/Format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <limits>
#include <string>

namespace belvanto {
namespace {

std::string printfFixed(double v, int width, int decimals)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%*.*f", width, decimals, v);
    return buffer;
}

struct FixedCase {
    double value;
    int width;
    int decimals;
    const char* text;
};

const FixedCase fixedCases[] = {
    {2.345, 0, 2, "2.35"},        // binary value is just above 2.345
    {2.675, 0, 2, "2.67"},        // binary value is just below 2.675
    {0.125, 0, 2, "0.12"},        // an exact tie goes to even
    {0.375, 0, 2, "0.38"},
    {-1.5, 8, 2, "   -1.50"},
    {-0.001, 6, 2, " -0.00"},     // the sign of a value rounded to zero stays
    {1234.5678, 10, 5, "1234.56780"},
    {3.14159, 9, 3, "    3.142"},
    {42.0, -8, 1, "42.0    "},
    {2.5, 0, 0, "2"},
    {1e20, 0, 0, "100000000000000000000"},
    {7.0, 2, 4, "7.0000"},        // wider than the width: nothing is cut
};

TEST(FormatFixed, MatchesPrintfInTheCLocale)
{
    for (const FixedCase& c : fixedCases) {
        EXPECT_EQ(formatFixed(c.value, c.width, c.decimals).toStdString(), c.text)
            << c.value << " width " << c.width << " decimals " << c.decimals;
        EXPECT_EQ(printfFixed(c.value, c.width, c.decimals), c.text) << "the table itself is wrong";
    }
}

TEST(FormatFixed, HugeValuesAndManyDecimals)
{
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(formatFixed(max, 0, 3).toStdString(), printfFixed(max, 0, 3));
    EXPECT_EQ(formatFixed(-max, 0, 0).toStdString(), printfFixed(-max, 0, 0));
    EXPECT_EQ(formatFixed(0.1, 0, 40).toStdString(), printfFixed(0.1, 0, 40));
}

TEST(FormatFixed, IgnoresTheProcessLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE")) {
        GTEST_SKIP() << "no German locale installed";
    }
    const std::string viaPrintf = printfFixed(1234.5, 8, 2);
    const QString fixed = formatFixed(1234.5, 8, 2);
    const auto parsed = parseDouble(u"1234.5");
    const auto comma = parseDouble(u"1234,5");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_EQ(viaPrintf, " 1234,50") << "the locale is not in effect";
    EXPECT_EQ(fixed, QStringLiteral(" 1234.50"));
    EXPECT_EQ(parsed, 1234.5);
    EXPECT_EQ(comma, std::nullopt);
}

TEST(FormatInt, PadsLikePrintf)
{
    EXPECT_EQ(formatInt(42, 5), QStringLiteral("   42"));
    EXPECT_EQ(formatInt(-42, -5), QStringLiteral("-42  "));
    EXPECT_EQ(formatInt(123456, 3), QStringLiteral("123456"));
    EXPECT_EQ(formatInt(std::numeric_limits<qint64>::min()), QStringLiteral("-9223372036854775808"));
}

TEST(ParseDouble, WholeTextMustBeOneNumber)
{
    struct Case {
        const char16_t* text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {u"1.5", 1.5},     {u"  -0.25\t", -0.25}, {u"+2", 2.0},       {u"1e3", 1000.0},
        {u".5", 0.5},      {u"5.", 5.0},          {u"-1E-2", -0.01},  {u"0", 0.0},
        {u"", {}},         {u"   ", {}},          {u"1,5", {}},       {u"1.5x", {}},
        {u"1 000", {}},    {u"inf", {}},          {u"-nan", {}},      {u"0x10", {}},
        {u"1e999", {}},    {u"+-1", {}},          {u"- 1", {}},       {u"+", {}},
        {u"\u0661", {}},   // ARABIC-INDIC DIGIT ONE
        {u"１", {}},       // FULLWIDTH DIGIT ONE
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseDouble(c.text), c.value) << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(ParseInt, RangeAndForm)
{
    EXPECT_EQ(parseInt(u" 42 "), 42);
    EXPECT_EQ(parseInt(u"+7"), 7);
    EXPECT_EQ(parseInt(u"-9223372036854775808"), std::numeric_limits<qint64>::min());
    EXPECT_EQ(parseInt(u"9223372036854775808"), std::nullopt);
    EXPECT_EQ(parseInt(u"1.0"), std::nullopt);
    EXPECT_EQ(parseInt(u"1e3"), std::nullopt);
    EXPECT_EQ(parseInt32(u"2147483647"), 2147483647);
    EXPECT_EQ(parseInt32(u"2147483648"), std::nullopt);
    EXPECT_EQ(parseInt32(u"-2147483648"), -2147483647 - 1);
}

} // namespace
} // namespace belvanto
