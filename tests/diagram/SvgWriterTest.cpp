#include "DiagramFixture.h"
#include "support/TempDir.h"
#include <QFile>
#include <gtest/gtest.h>

using namespace belvanto;
using namespace belvanto::testing;

namespace {

QStringList linesBetween(const QStringList& lines, const QString& from, const QString& to)
{
    const qsizetype start = lines.indexOf(from);
    const qsizetype end = lines.indexOf(to, start + 1);
    if (start < 0 || end < 0) return {QStringLiteral("<missing>")};
    return lines.mid(start + 1, end - start - 1);
}

const QString kBoxGroup = QStringLiteral("<g id=\"Harris boxes\" stroke=\"black\" stroke-width=\"1pt\">");
const QString kTextGroup = QStringLiteral(
    "<g id=\"Harris box text\" font-family=\"sans-serif\" font-size=\"8pt\" fill=\"#000000\" text-anchor=\"start\">");
const QString kLineGroup = QStringLiteral("<g id=\"Harris relationships\" stroke=\"black\" stroke-width=\"1\">");
const QString kEnd = QStringLiteral("</g>");

} // namespace

TEST(SvgDocument, WholeDocumentOfASmallLayout)
{
    UnitRecord hexagon = box("AAAAA2", 2, 2, 16744512, 8);
    const auto d = draw(threeByThree({box("AAAAA1", 1, 1, 16777215, 1), hexagon, box("AAAAA3", 3, 3)},
                                     {segment("AAAAA2", "AAAAA1", 2, 1, 4, 2), equal("AAAAA2", "X", 2, 3, 2)}));
    const QByteArray bytes = SvgDocument(d, DiagramFont{});
    const QByteArray expected =
        "<?xml version=\"1.0\" standalone=\"no\"?>\r\n"
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 20010904//EN\"\r\n"
        "\"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\">\r\n"
        "<svg width=\"156\" height=\"87\" xmlns=\"http://www.w3.org/2000/svg\"\r\n"
        "xmlns:xlink=\"http://www.w3.org/1999/xlink\">\r\n"
        "<g id=\"Harris boxes\" stroke=\"black\" stroke-width=\"1pt\">\r\n"
        "<rect x=\"105\" y=\"66\" width=\"48\" height=\"18\" fill=\"#FFFFFF\"  />\r\n"
        "<polygon fill=\"#4080FF\"\r\n"
        "points=\"59,54 97,54 102,45 97,36 59,36 54,45 \" />\r\n"
        "<rect x=\"3\" y=\"6\" width=\"48\" height=\"18\" fill=\"#FFFFFF\" stroke-dasharray=\"8,4\" />\r\n"
        "</g>\r\n"
        "<g id=\"Harris box text\" font-family=\"sans-serif\" font-size=\"8pt\" fill=\"#000000\" text-anchor=\"start\">\r\n"
        "<text x=\"110\" y=\"78\" >\r\n"
        "AAAAA3\r\n"
        "</text>\r\n"
        "<text x=\"59\" y=\"48\" >\r\n"
        "AAAAA2\r\n"
        "</text>\r\n"
        "<text x=\"8\" y=\"18\" >\r\n"
        "AAAAA1\r\n"
        "</text>\r\n"
        "\r\n"
        "</g>\r\n"
        "<g id=\"Harris relationships\" stroke=\"black\" stroke-width=\"1\">\r\n"
        "<polyline fill=\"none\"\r\n"
        "  points=\"27,24  27,30\r\n"
        "  78,30  78,36\" />\r\n"
        "<line x1=\"102\" y1=\"43\" x2=\"105\" y2=\"43\" />\r\n"
        "<line x1=\"102\" y1=\"47\" x2=\"105\" y2=\"47\" />\r\n"
        "\r\n"
        "</g>\r\n"
        "</svg>\r\n";
    EXPECT_EQ(bytes.toStdString(), expected.toStdString());
}

TEST(SvgDocument, EmptyDiagramHasEmptyGroups)
{
    const auto d = draw(layout(parameters(0, 0), {}));
    const QStringList lines = svgLines(d);
    EXPECT_EQ(lines.mid(3), (QStringList{
        QStringLiteral("<svg width=\"13\" height=\"10\" xmlns=\"http://www.w3.org/2000/svg\""),
        QStringLiteral("xmlns:xlink=\"http://www.w3.org/1999/xlink\">"),
        kBoxGroup, kEnd, kTextGroup, QString(), kEnd, kLineGroup, QString(), kEnd, QStringLiteral("</svg>")}));
}

TEST(SvgDocument, BoxStyles)
{
    struct Case {
        qint32 style;
        const char* tail;
    } cases[] = {
        {0, "fill=\"#FFFFFF\"  />"},
        {1, "fill=\"#FFFFFF\" stroke-dasharray=\"8,4\" />"},
        {2, "fill=\"#FFFFFF\" stroke-dasharray=\"2,2\" />"},
        {3, "fill=\"#FFFFFF\" stroke-dasharray=\"8,3,2,3\" />"},
        {4, "fill=\"#FFFFFF\" stroke-dasharray=\"8,3,2,3,2,3\" />"},
        {5, "fill=\"#FFFFFF\" stroke=\"none\" />"},
        {6, "fill=\"#FFFFFF\" rx=\"4\" ry=\"4\" />"},   // BoxHalfHeight 9 div 2
        {7, "fill=\"#FFFFFF\" rx=\"7\" ry=\"7\" />"},   // 6.75 rounded
        {13, "fill=\"#FFFFFF\"  />"},                   // no such style: solid
        {-4, "fill=\"#FFFFFF\"  />"},
    };
    for (const Case& c : cases) {
        const auto d = draw(threeByThree({box("AAAAA1", 1, 1, 16777215, c.style)}));
        const QStringList boxes = linesBetween(svgLines(d), kBoxGroup, kEnd);
        EXPECT_EQ(boxes, QStringList{QStringLiteral("<rect x=\"3\" y=\"6\" width=\"48\" height=\"18\" ")
                                     + QString::fromLatin1(c.tail)})
            << c.style;
    }
}

TEST(SvgDocument, OvalCornersRoundHalvesToEven)
{
    // Labels 8 high: BoxHalfHeight 6, 0.75 x 6 = 4.5 -> 4; 16 high: 10,
    // 7.5 -> 8; 17 high: BoxHeight 18, 11, 8.25 -> 8; 10 high: 7, 5.25 -> 5.
    struct Metrics : FakeMetrics {
        int h = 13;
        int height(const QString&) const override { return h; }
    };
    for (auto [height, rx] : {std::pair{8, 4}, std::pair{16, 8}, std::pair{17, 8}, std::pair{10, 5}}) {
        Metrics m;
        m.h = height;
        const auto d = BuildDiagram(threeByThree({box("AAAAA1", 1, 1, 16777215, 7)}), {}, m);
        const QString line = linesBetween(svgLines(d), kBoxGroup, kEnd).value(0);
        EXPECT_TRUE(line.endsWith(QStringLiteral("rx=\"%1\" ry=\"%1\" />").arg(rx))) << line.toStdString();
    }
}

TEST(SvgDocument, Shapes)
{
    struct Case {
        qint32 style;
        const char* points;
    } cases[] = {
        {8, "points=\"8,24 46,24 51,15 46,6 8,6 3,15 \" />"},
        {9, "points=\"3,24 51,24 51,15 46,6 8,6 3,15 \" />"},
        {10, "points=\"3,24 51,24 46,15 51,6 3,6 8,15 \" />"},
        {11, "points=\"8,24 51,24 46,15 51,6 8,6 3,15 \" />"},
        {12, "points=\"3,24 46,24 51,15 46,6 3,6 8,15 \" />"},
    };
    for (const Case& c : cases) {
        const auto d = draw(threeByThree({box("AAAAA1", 1, 1, 255, c.style)}));
        EXPECT_EQ(linesBetween(svgLines(d), kBoxGroup, kEnd),
                  (QStringList{QStringLiteral("<polygon fill=\"#FF0000\""), QString::fromLatin1(c.points)}))
            << c.style;
    }
}

TEST(SvgDocument, ColoursRedInTheLowestByte)
{
    struct Case {
        quint32 colour;
        const char* svg;
    } cases[] = {{16744512, "#4080FF"}, {255, "#FF0000"}, {65280, "#00FF00"}, {16711680, "#0000FF"},
                 {0, "#000000"},        {16777215, "#FFFFFF"}, {0x01020304, "#040302"}};
    for (const Case& c : cases) EXPECT_EQ(SvgColour(c.colour), QString::fromLatin1(c.svg)) << c.colour;
}

TEST(SvgDocument, BlackAndWhiteFillsEveryBoxWhite)
{
    DrawState state;
    state.blackWhite = true;
    const auto d = draw(threeByThree({box("AAAAA1", 1, 1, 255, 0), box("AAAAA2", 2, 2, 16744512, 9),
                                      box("AAAAA3", 3, 3, std::nullopt, 6)}),
                        state);
    const QStringList boxes = linesBetween(svgLines(d), kBoxGroup, kEnd);
    ASSERT_EQ(boxes.size(), 4);
    EXPECT_EQ(boxes.filter(QStringLiteral("fill=")).size(), 3);
    EXPECT_EQ(boxes.filter(QStringLiteral("fill=\"#FFFFFF\"")).size(), 3);
}

TEST(SvgText, Escaping)
{
    struct Case {
        const char* utf8;
        const char* svg;
    } cases[] = {
        {"A&1", "A&#38;1"},
        {"(", "&#40;"},
        {"\"#$%'()*", "&#34;&#35;&#36;&#37;&#39;&#40;&#41;*"},
        {"<a>", "&#60;a>"},
        {"\xc3\xa9", "&#233;"},            // é
        {"\xc5\xa0\xc3\xa1rka", "&#352;&#225;rka"},   // Šárka: Š is byte 138 in Windows-1252
        {"\xe2\x82\xac" "5", "&#8364;5"},  // €
        {"\xc5\x93\xc5\xbe\xc5\xb8", "&#339;&#382;&#376;"},   // œžŸ, bytes 156, 158, 159
        {"a\tb\x01" "c\x1f", "abc"},       // control characters are left out
        {"x]]>y", "x]]&#62;y"},            // "]]>" is not allowed in text
        {"]]\x01>", "]]&#62;"},
        {"a>b ]>", "a>b ]>"},
        {"~!+,-./09:;=?@AZ[\\]^_`az{|}", "~!+,-./09:;=?@AZ[\\]^_`az{|}"},
        {"\xf0\x9f\x98\x80", "&#128512;"},  // outside the Basic Multilingual Plane
    };
    for (const Case& c : cases)
        EXPECT_EQ(SvgEscapeText(QString::fromUtf8(c.utf8)).toStdString(), std::string(c.svg)) << c.utf8;
}

TEST(SvgText, LabelsOnTheirOwnLine)
{
    const auto d = draw(threeByThree({box("A&1", 1, 1)}));
    // "A&1" is 19 wide: x = 3 + 5 + (20 - 19) / 2.
    EXPECT_EQ(linesBetween(svgLines(d), kTextGroup, kEnd),
              (QStringList{QStringLiteral("<text x=\"8\" y=\"18\" >"), QStringLiteral("A&#38;1"),
                           QStringLiteral("</text>"), QString()}));
}

TEST(SvgText, FontAttributes)
{
    struct Case {
        bool bold, italic, underline;
        int points;
        quint32 colour;
        const char* attributes;
    } cases[] = {
        {false, false, false, 8, 0, "font-family=\"sans-serif\" font-size=\"8pt\" fill=\"#000000\" text-anchor=\"start\""},
        {true, false, false, 8, 0,
         "font-family=\"sans-serif\" font-size=\"8pt\" fill=\"#000000\" font-weight=\"bold\" text-anchor=\"start\""},
        {false, true, false, 10, 255,
         "font-family=\"sans-serif\" font-size=\"10pt\" fill=\"#FF0000\" font-style=\"italic\" text-anchor=\"start\""},
        {true, true, true, 12, 16711680,
         "font-family=\"sans-serif\" font-size=\"12pt\" fill=\"#0000FF\" font-weight=\"bold\" font-style=\"italic\" "
         "text-decoration=\"underline\" text-anchor=\"start\""},
    };
    for (const Case& c : cases) {
        DiagramFont f;
        f.family = QStringLiteral("Some Face");
        f.bold = c.bold;
        f.italic = c.italic;
        f.underline = c.underline;
        f.points = c.points;
        f.colour = c.colour;
        EXPECT_EQ(SvgFontAttributes(f).toStdString(), std::string(c.attributes));
    }
}

TEST(SvgLines, DummyLinesThenRelationships)
{
    RelRecord fromDummy = segment("AAAAA3", "7", 2, 1, 6, 3, 1, 2, 0);
    fromDummy.Excavation2 = QStringLiteral(":Dummy");
    RelRecord straight = segment("AAAAA2", "AAAAA1", 2, 1, 2, 2, 0);
    const auto d = draw(threeByThree({box("AAAAA1", 1, 1), box("AAAAA2", 1, 2), box("AAAAA3", 3, 3), dummy("7", 1, 2, 2)},
                                     {fromDummy, straight, equal("AAAAA1", "Q", 1, 2, 1)}));
    EXPECT_EQ(linesBetween(svgLines(d), kLineGroup, kEnd),
              (QStringList{
                  QStringLiteral("<line x1=\"27\" y1=\"36\" x2=\"27\" y2=\"54\" />"),    // the dummy
                  QStringLiteral("<line x1=\"27\" y1=\"24\" x2=\"33\" y2=\"24\" />"),    // jog off the dummy line
                  QStringLiteral("<polyline fill=\"none\""),
                  QStringLiteral("  points=\"33,24  33,60"),
                  QStringLiteral("  129,60  129,66\" />"),
                  QStringLiteral("<line x1=\"27\" y1=\"24\" x2=\"27\" y2=\"36\" />"),    // straight down
                  QStringLiteral("<line x1=\"51\" y1=\"13\" x2=\"54\" y2=\"13\" />"),    // "=": two lines
                  QStringLiteral("<line x1=\"51\" y1=\"17\" x2=\"54\" y2=\"17\" />"),
                  QString()}));
}

TEST(SvgLines, PhaseGroupAndPeriodNames)
{
    LayoutSnapshot s = threeByThree({box("AAAAA1", 1, 1)});
    s.parameters.periods = {Period{QStringLiteral("Rom"), 0, 1}, Period{QStringLiteral("Iron"), 0, 3}};
    const QStringList lines = svgLines(draw(s));
    // Legend strip 25 + 6: ColumnX 34, width 187; the line above level 3 at 66 - 5.
    EXPECT_EQ(linesBetween(lines, kTextGroup, kEnd),
              (QStringList{QStringLiteral("<text x=\"3\" y=\"37\" >"), QStringLiteral("Rom"), QStringLiteral("</text>"),
                           QStringLiteral("<text x=\"3\" y=\"81\" >"), QStringLiteral("Iron"), QStringLiteral("</text>"),
                           QStringLiteral("<text x=\"39\" y=\"18\" >"), QStringLiteral("AAAAA1"), QStringLiteral("</text>"),
                           QString()}));
    const qsizetype phases = lines.indexOf(QStringLiteral("<g id=\"Harris phases\" stroke=\"black\" stroke-width=\"1\""));
    ASSERT_GT(phases, 0);
    EXPECT_EQ(lines.mid(phases, 6),
              (QStringList{QStringLiteral("<g id=\"Harris phases\" stroke=\"black\" stroke-width=\"1\""),
                           QStringLiteral("  stroke-dasharray=\"8,4\" >"),
                           QStringLiteral("<line x1=\"0\" y1=\"61\" x2=\"186\" y2=\"61\" />"), kEnd, kLineGroup, QString()}));
}

TEST(SvgLines, OnePeriodLeavesThePhaseGroupEmpty)
{
    LayoutSnapshot s = threeByThree({box("AAAAA1", 1, 1)});
    s.parameters.periods = {Period{QStringLiteral("Roman"), 0, 1}};
    const QStringList lines = svgLines(draw(s));
    const qsizetype phases = lines.indexOf(QStringLiteral("  stroke-dasharray=\"8,4\" >"));
    ASSERT_GT(phases, 0);
    EXPECT_EQ(lines.value(phases + 1), kEnd);
    // Centred over the whole height 87: (0 + 87 + 14) div 2.
    EXPECT_TRUE(lines.contains(QStringLiteral("<text x=\"3\" y=\"50\" >")));
}

TEST(SvgLines, NoPeriodsNoPhaseGroup)
{
    const QStringList lines = svgLines(draw(threeByThree()));
    EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("Harris phases")));
}

TEST(SvgFile, WrittenWithCrLfAndReplacedWhole)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("d.svg"));
    const auto d = draw(threeByThree());
    EXPECT_FALSE(WriteSvgFile(path, d, DiagramFont{}));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes, SvgDocument(d, DiagramFont{}));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    const auto failure = WriteSvgFile(dir.file(QStringLiteral("missing/d.svg")), d, DiagramFont{});
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith(QStringLiteral("Cannot write "))) << failure->toStdString();
}
