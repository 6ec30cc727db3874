#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <set>

namespace belvanto {

void PrintTo(CodePage page, std::ostream* os)
{
    *os << (page == CodePage::Oem850 ? "Oem850" : "Windows1252");
}

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) bytes.append(char(b));
    return bytes;
}

class CodePages : public testing::TestWithParam<CodePage> {};

TEST_P(CodePages, EveryByteRoundTripsThroughItsOwnCharacter)
{
    const QByteArray bytes = allBytes();
    const QString text = decode(GetParam(), bytes);
    ASSERT_EQ(text.size(), 256);
    const std::set<char16_t> distinct(text.utf16(), text.utf16() + text.size());
    EXPECT_EQ(distinct.size(), 256u) << "two bytes decode to the same character";
    EXPECT_EQ(firstUnencodable(GetParam(), text), -1);
    EXPECT_EQ(encode(GetParam(), text), bytes);
    EXPECT_EQ(text.left(128), QString::fromLatin1(bytes.left(128))) << "the lower half is ASCII";
}

// The system's iconv, where it knows the code page, is an independent witness
// for the tables. It has no mapping for the five holes of Windows-1252.
TEST_P(CodePages, AgreesWithIconv)
{
    const char* name = GetParam() == CodePage::Oem850 ? "CP850" : "CP1252";
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == iconv_t(-1)) GTEST_SKIP() << "iconv does not know " << name;
    int compared = 0;
    for (int b = 0x80; b < 0x100; ++b) {
        char in = char(b);
        char16_t out[2] = {};
        char* inPtr = &in;
        size_t inLeft = 1;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1)) continue;
        EXPECT_EQ(decode(GetParam(), QByteArray(1, in)).at(0).unicode(), out[0])
            << name << " byte 0x" << std::hex << b;
        ++compared;
    }
    iconv_close(cd);
    EXPECT_GE(compared, GetParam() == CodePage::Oem850 ? 128 : 123);
}

INSTANTIATE_TEST_SUITE_P(TextCodec, CodePages, testing::Values(CodePage::Windows1252, CodePage::Oem850),
                         [](const auto& info) { return testing::PrintToString(info.param); });

struct Mapping {
    CodePage page;
    unsigned char byte;
    char16_t unit;
};

TEST(TextCodec, CharactersThatDifferFromLatin1)
{
    const Mapping mappings[] = {
        {CodePage::Windows1252, 0x80, u'€'},    {CodePage::Windows1252, 0x8A, u'Š'},
        {CodePage::Windows1252, 0x82, u'‚'},    {CodePage::Windows1252, 0x9F, u'Ÿ'},
        {CodePage::Windows1252, 0x96, u'–'},    {CodePage::Windows1252, 0xE9, u'é'},
        // The five holes keep their C1 control character in both directions.
        {CodePage::Windows1252, 0x81, u'\u0081'}, {CodePage::Windows1252, 0x8D, u'\u008D'},
        {CodePage::Windows1252, 0x8F, u'\u008F'}, {CodePage::Windows1252, 0x90, u'\u0090'},
        {CodePage::Windows1252, 0x9D, u'\u009D'},
        {CodePage::Oem850, 0x80, u'Ç'},         {CodePage::Oem850, 0x81, u'ü'},
        {CodePage::Oem850, 0x94, u'ö'},         {CodePage::Oem850, 0xE1, u'ß'},
        {CodePage::Oem850, 0xD5, u'ı'},         {CodePage::Oem850, 0xB0, u'░'},
        {CodePage::Oem850, 0xF8, u'°'},         {CodePage::Oem850, 0xFF, u'\u00A0'},
    };
    for (const Mapping& m : mappings) {
        const QByteArray byte(1, char(m.byte));
        const QString text(QChar(m.unit));
        EXPECT_EQ(decode(m.page, byte), text) << "byte 0x" << std::hex << int(m.byte);
        EXPECT_EQ(encode(m.page, text), byte) << "character U+" << std::hex << int(m.unit);
    }
}

TEST(TextCodec, RefusesWhatACodePageCannotHold)
{
    struct Case {
        CodePage page;
        QString text;
        qsizetype first;
    };
    const Case cases[] = {
        {CodePage::Windows1252, QStringLiteral("Grube ł"), 6},
        {CodePage::Windows1252, QStringLiteral("中"), 0},
        {CodePage::Windows1252, QStringLiteral("ab\u0080"), 2},      // a C1 character that is no hole
        {CodePage::Windows1252, QStringLiteral("x😀y"), 1},          // a surrogate pair
        {CodePage::Windows1252, QString(QChar(0xDC00)), 0},         // a lone surrogate
        {CodePage::Oem850, QStringLiteral("5 €"), 2},
        {CodePage::Oem850, QStringLiteral("Šalek"), 0},
        {CodePage::Oem850, QStringLiteral("Größe"), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(firstUnencodable(c.page, c.text), c.first);
        EXPECT_EQ(fits(c.page, c.text), c.first < 0);
        EXPECT_EQ(encode(c.page, c.text).has_value(), c.first < 0);
    }
    EXPECT_FALSE(fitsCp1252(u"ł"));
    EXPECT_TRUE(fitsCp850(u"Größe"));
}

} // namespace
} // namespace belvanto
