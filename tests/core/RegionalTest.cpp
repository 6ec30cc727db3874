#include "core/Regional.h"

#include <gtest/gtest.h>

namespace belvanto {
namespace {

TEST(Regional, WidenYearMakesEveryYearFourDigits)
{
    const std::pair<const char*, const char*> cases[] = {
        {"dd.MM.yy", "dd.MM.yyyy"},
        {"M/d/yy", "M/d/yyyy"},
        {"yyyy-MM-dd", "yyyy-MM-dd"},
        {"d.M.y", "d.M.yyyy"},
        {"yy/MM/dd", "yyyy/MM/dd"},
        {"dd 'yy' yy", "dd 'yy' yyyy"},          // quoted text is not a field
        {"dd 'o''clock' yy", "dd 'o''clock' yyyy"},
        {"", ""},
    };
    for (const auto& [format, widened] : cases) {
        EXPECT_EQ(Regional::widenYear(QString::fromUtf8(format)), QString::fromUtf8(widened)) << format;
    }
}

TEST(Regional, FixedSettingsAlwaysHaveAFourDigitYear)
{
    const FixedRegional regional(QLatin1Char(','), QStringLiteral("dd.MM.yy"));
    EXPECT_EQ(regional.shortDateFormat(), QStringLiteral("dd.MM.yyyy"));
    // With "yy" this date would come back as 1903.
    const QDate date(2003, 2, 1);
    EXPECT_EQ(regional.formatDate(date), QStringLiteral("01.02.2003"));
    EXPECT_EQ(regional.parseDate(regional.formatDate(date)), date);
}

TEST(Regional, ParseDate)
{
    const FixedRegional regional(QLatin1Char('.'), QStringLiteral("M/d/yy"));
    EXPECT_EQ(regional.parseDate(u" 2/1/2003 "), QDate(2003, 2, 1));
    EXPECT_EQ(regional.parseDate(u"2/1/03"), std::nullopt);
    EXPECT_EQ(regional.parseDate(u"2/30/2003"), std::nullopt);
    EXPECT_EQ(regional.parseDate(u""), std::nullopt);
}

TEST(Regional, ReadDateTakesTheFormatsOrderAndShortYears)
{
    struct Case {
        const char* format;
        const char16_t* text;
        std::optional<QDate> date;
    };
    const Case cases[] = {
        {"dd.MM.yyyy", u"3.4.26", QDate(2026, 4, 3)},
        {"dd.MM.yyyy", u" 03.04.2026 ", QDate(2026, 4, 3)},
        {"dd.MM.yyyy", u"3/4/1999", QDate(1999, 4, 3)},
        {"dd.MM.yyyy", u"1.1.46", QDate(2046, 1, 1)},      // 19 years ahead at most
        {"dd.MM.yyyy", u"1.1.47", QDate(1947, 1, 1)},
        {"dd.MM.yyyy", u"2026-04-03", QDate(2026, 4, 3)},  // ISO whatever the format
        {"M/d/yy", u"4/3/26", QDate(2026, 4, 3)},
        {"yyyy-MM-dd", u"26-4-3", QDate(2026, 4, 3)},
        {"dd 'de' MM yyyy", u"3 4 2026", QDate(2026, 4, 3)},
        {"dd.MM.yyyy", u"31.2.2026", std::nullopt},
        {"dd.MM.yyyy", u"3.4.202", std::nullopt},
        {"dd.MM.yyyy", u"3.4", std::nullopt},
        {"dd.MM.yyyy", u"3.Apr.2026", std::nullopt},
        {"dd.MM.yyyy", u"3..4.2026", std::nullopt},
        {"dd.MM.yyyy", u"", std::nullopt},
    };
    for (const Case& c : cases) {
        const FixedRegional regional(QLatin1Char('.'), QString::fromUtf8(c.format));
        EXPECT_EQ(regional.readDate(QStringView(c.text), 2027), c.date) << c.format << " " << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(Regional, FloatsWithADecimalComma)
{
    const FixedRegional regional(QLatin1Char(','));
    EXPECT_EQ(regional.formatFloat(1.5), QStringLiteral("1,5"));
    EXPECT_EQ(regional.formatFloat(-0.1), QStringLiteral("-0,1"));
    EXPECT_EQ(regional.formatFloat(250), QStringLiteral("250"));
    EXPECT_EQ(regional.parseFloat(u" 3,25 "), 3.25);
    EXPECT_EQ(regional.parseFloat(u"3.25"), 3.25);
    EXPECT_EQ(regional.parseFloat(u"1.234,5"), std::nullopt);
    EXPECT_EQ(regional.parseFloat(u"1,2,3"), std::nullopt);
    EXPECT_EQ(regional.parseFloat(u"1 234,5"), std::nullopt);
    for (double v : {0.1 + 0.2, 1e-7, 123456789.125, -2.5e300}) {
        EXPECT_EQ(regional.parseFloat(regional.formatFloat(v)), v) << v;
    }
}

TEST(Regional, FloatsWithADecimalPointRefuseAComma)
{
    const FixedRegional regional;
    EXPECT_EQ(regional.formatFloat(1.5), QStringLiteral("1.5"));
    EXPECT_EQ(regional.parseFloat(u"1.5"), 1.5);
    EXPECT_EQ(regional.parseFloat(u"1,5"), std::nullopt);
}

} // namespace
} // namespace belvanto
