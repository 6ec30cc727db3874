#include "core/Regional.h"
#include "layout/LayoutFiles.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include <QDateTime>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace belvanto;
using belvanto::testing::TempDir;

namespace {

QByteArray ints(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    for (qint32 v : values) {
        char b[4];
        qToLittleEndian<qint32>(v, b);
        bytes.append(b, 4);
    }
    return bytes;
}

LayoutParameters sample()
{
    LayoutParameters p;
    p.reset(2, 3);
    p.RightFrameLanes[2] = 1;
    p.FrameLanesBelow[1] = 2;
    p.TrackCount[1] = 4;
    p.TrackCount[2] = 1;
    p.periods = {{QStringLiteral("Röm"), 0, 1, false}, {QStringLiteral("LT"), 0, 3, false}};
    return p;
}

TEST(LayoutParameterFile, LittleEndianIntegersInTheirOrder)
{
    EXPECT_EQ(SerializeLayoutParameters(sample()),
              ints({0, 2, 3, 0, 0, 0, 1, 2, 0, 0, 4, 1, 0, 2, 3, 'R', 0xF6, 'm', 1, 2, 'L', 'T', 3}));
}

TEST(LayoutParameterFile, WithoutPeriodsItEndsWithZero)
{
    for (const auto& [k, l] : std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {7, 12}}) {
        LayoutParameters p;
        p.reset(k, l);
        p.groups = true;
        const QByteArray bytes = SerializeLayoutParameters(p);
        EXPECT_EQ(bytes.size(), 4 * (3 + 2 * k + 2 * l + 1));
        EXPECT_EQ(bytes.right(4), ints({0}));
        EXPECT_EQ(bytes.left(4), ints({1}));
    }
}

TEST(LayoutParameterFile, StartLevelIsTheLowSixteenBits)
{
    // K = 0, L = 5; one period whose start level integer carries more above
    // its low 16 bits.
    const auto back = ParseLayoutParameters(ints({0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 'A', 0x00010003}));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->periods[0].position, 3);
    EXPECT_EQ(SerializeLayoutParameters(*back).right(4), ints({3}));
}

TEST(LayoutParameterFile, RoundTrip)
{
    const auto back = ParseLayoutParameters(SerializeLayoutParameters(sample()));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, sample());
}

TEST(LayoutParameterFile, DamagedBytesAreRefused)
{
    const QByteArray good = SerializeLayoutParameters(sample());
    for (qsizetype n = 0; n < good.size(); ++n) EXPECT_FALSE(ParseLayoutParameters(good.left(n))) << n;
    const std::vector<std::pair<const char*, QByteArray>> damaged{
        {"bytes left over", good + ints({0})},
        {"huge K", ints({0, 0x7fffffff, 1, 0, 0, 0})},
        {"negative L", ints({0, 0, -1, 0})},
        {"K and L beyond the file", ints({0, 1000, 1000, 0})},
        {"too many periods", ints({0, 0, 0, 256})},
        {"negative period count", ints({0, 0, 0, -1})},
        {"name longer than the file", ints({0, 0, 0, 1, 100, 'A', 1})},
        {"name longer than a period name", [] {
             QByteArray b = ints({0, 0, 0, 1, 256});
             for (int i = 0; i < 256; ++i) b += ints({'A'});
             return b + ints({1});
         }()},
        {"character code beyond a byte", ints({0, 0, 0, 1, 1, 256, 1})},
        {"negative name length", ints({0, 0, 0, 1, -1, 1})},
        {"groups flag neither 0 nor 1", ints({2, 0, 0, 0})},
        {"negative frame lane", ints({0, 1, 0, -1, 0, 0})},
        {"negative track count", ints({0, 0, 1, 0, -3, 0})},
        {"start level 0", ints({0, 0, 1, 0, 0, 1, 1, 'A', 0})},
        {"start level below the last level", ints({0, 0, 1, 0, 0, 1, 1, 'A', 2})},
        {"start levels going up", ints({0, 0, 2, 0, 0, 0, 0, 2, 1, 'A', 2, 1, 'B', 1})},
    };
    for (const auto& [what, bytes] : damaged) EXPECT_FALSE(ParseLayoutParameters(bytes)) << what;
}

TEST(LayoutParameterFile, DescriptionNamesGroupsAndPeriods)
{
    LayoutParameters p;
    EXPECT_EQ(LayoutDescription(p), QString());
    p.periods.push_back({QStringLiteral("A"), 0, 1, false});
    EXPECT_EQ(LayoutDescription(p), QStringLiteral("The diagram displays periods/phases."));
    p.groups = true;
    EXPECT_EQ(LayoutDescription(p), QStringLiteral("The diagram shows groups and periods/phases."));
    p.periods.clear();
    EXPECT_EQ(LayoutDescription(p), QStringLiteral("The diagram shows groups"));
}

class LayoutFileTables : public ::testing::Test {
protected:
    TempDir dir;
    FixedRegional regional;
    ScriptedUi ui;
    const QString project = QStringLiteral("Dig");

    QString parameterPath() const { return LayoutParameterPath(dir.path(), project); }

    // One box at column k, level l.
    void addBox(qint32 k, qint32 l, qint32 nesting = 0)
    {
        Table units;
        units.open(dir.path(), project + kUnitLayoutSuffix);
        units.insert();
        units.set(ul::Excavation, QStringLiteral("E"));
        units.set(ul::Unitname, QStringLiteral("U%1_%2").arg(k).arg(l));
        units.set(ul::XStart, k);
        units.set(ul::XStop, k);
        units.set(ul::YLevelStart, l);
        units.set(ul::YLevelStop, l);
        units.set(ul::NestCt, nesting);
        units.post();
    }

    void addLines(int n)
    {
        Table lines;
        lines.open(dir.path(), project + kRelLayoutSuffix);
        for (int i = 0; i < n; ++i) {
            lines.insert();
            lines.set(rl::Excavation1, QStringLiteral("E"));
            lines.set(rl::Unitname1, QString::number(i));
            lines.set(rl::Excavation2, QStringLiteral("E"));
            lines.set(rl::Unitname2, QStringLiteral("x"));
            lines.post();
        }
    }

    void write(const QByteArray& bytes)
    {
        QFile f(parameterPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime(QDate(2024, 3, 9), QTime(14, 5, 33)), QFileDevice::FileModificationTime);
    }

    QString openError() const
    {
        return QStringLiteral("Error: Program is not able to open parameter file\r\n") + QDir::toNativeSeparators(parameterPath());
    }
};

TEST_F(LayoutFileTables, CreatingTheTablesRemovesTheOldParameterFile)
{
    write(SerializeLayoutParameters(sample()));
    CreateLayoutTables(dir.path(), project);
    EXPECT_FALSE(QFile::exists(parameterPath()));
    for (const QString& name : {project + kUnitLayoutSuffix, project + kRelLayoutSuffix, kTempUnitTable, kTempRelTable,
                                kProperRelTable})
        EXPECT_TRUE(Table::exists(dir.path(), name)) << name.toStdString();
    Table units, rels;
    units.open(dir.path(), project + kUnitLayoutSuffix);
    rels.open(dir.path(), project + kRelLayoutSuffix);
    EXPECT_EQ(units.fields().size(), 18u);
    EXPECT_EQ(units.fields()[ul::GUnitname].name, QStringLiteral("GUnitname"));
    EXPECT_EQ(rels.fields().size(), 14u);
    EXPECT_EQ(rels.fields()[rl::Port2].name, QStringLiteral("Port2"));
    EXPECT_EQ(rels.primaryIndex().fields.size(), 4);
    units.close();
    rels.close();
    DeleteLayoutTables(dir.path(), project);
    DeleteWorkingTables(dir.path());
    EXPECT_FALSE(Table::exists(dir.path(), project + kUnitLayoutSuffix));
    EXPECT_FALSE(Table::exists(dir.path(), kProperRelTable));
}

TEST_F(LayoutFileTables, WrittenFileReadsBackAfterTheQuestion)
{
    CreateLayoutTables(dir.path(), project);
    // As deep as the sample's frame lanes, and as many lines as its tracks
    // need beside the two period tracks.
    addBox(2, 3, 2);
    addLines(2);
    ASSERT_TRUE(WriteLayoutParameters(ui, dir.path(), project, sample()));
    QFile f(parameterPath());
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.setFileTime(QDateTime(QDate(2024, 3, 9), QTime(14, 5, 33)), QFileDevice::FileModificationTime);
    f.close();

    ui.expectConfirmation(QStringLiteral("The Harris diagram layout was created on 09.03.2024 14:05\r\n"
                                         "The diagram displays periods/phases.\r\nDo you want to display this layout?"),
                          Buttons::YesNo, QStringLiteral("Contents"))
        .answer(Answer::Yes);
    const auto read = ReadLayoutParameters(ui, regional, dir.path(), project, false);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, sample());

    ui.expectConfirmation(QStringLiteral("The Harris diagram layout was created on 09.03.2024 14:05\r\n"
                                         "The diagram displays periods/phases.\r\nDo you want to display this layout?"),
                          Buttons::YesNo, QStringLiteral("Contents"))
        .answer(Answer::No);
    EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, false));
    EXPECT_TRUE(ReadLayoutParameters(ui, regional, dir.path(), project, true));

    // With the unit layout table open for the diagram, exclusively.
    Table units;
    units.open(dir.path(), project + kUnitLayoutSuffix, true);
    EXPECT_TRUE(ReadLayoutParameters(ui, regional, dir.path(), project, true, &units));
}

TEST_F(LayoutFileTables, MissingDamagedOrMismatchedFileGivesTheOpenError)
{
    CreateLayoutTables(dir.path(), project);
    ui.expectError(openError());
    EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, true));

    write(SerializeLayoutParameters(sample()).left(30));
    ui.expectError(openError());
    EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, true));

    // A box beyond the file's columns or levels: the file belongs to another layout.
    for (const auto& [k, l] : std::vector<std::pair<int, int>>{{3, 1}, {1, 4}}) {
        CreateLayoutTables(dir.path(), project);
        addBox(k, l);
        write(SerializeLayoutParameters(sample()));
        ui.expectError(openError());
        EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, false)) << k << "," << l;
    }
    ui.verifyDone();
}

TEST_F(LayoutFileTables, CountsBeyondTheTablesAreRefused)
{
    struct Case {
        const char* what;
        void (*damage)(LayoutParameters&);
    };
    const Case cases[]{
        {"a track count no line could fill", [](LayoutParameters& p) { p.TrackCount[1] = 0x7fffffff; }},
        {"more tracks than lines and period lines", [](LayoutParameters& p) { p.TrackCount[2] = 6; }},
        {"a frame lane deeper than any frame", [](LayoutParameters& p) { p.LeftFrameLanes[1] = 3; }},
        {"levels below deeper than any frame", [](LayoutParameters& p) { p.FrameLanesBelow[3] = 3; }},
    };
    CreateLayoutTables(dir.path(), project);
    addBox(2, 3, 2);
    addLines(2);
    for (const Case& c : cases) {
        LayoutParameters p = sample();
        c.damage(p);
        write(SerializeLayoutParameters(p));
        ui.expectError(openError());
        EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, true)) << c.what;
    }
    write(SerializeLayoutParameters(sample()));
    EXPECT_TRUE(ReadLayoutParameters(ui, regional, dir.path(), project, true));
    ui.verifyDone();
}

TEST_F(LayoutFileTables, LayoutsStoredWithSizedKeysAreRead)
{
    // Before the level and horizontal keys were stored whole they were
    // declared with 30 and 60 characters.
    CreateLayoutTables(dir.path(), project);
    Table::remove(dir.path(), project + kUnitLayoutSuffix);
    auto fields = UnitLayoutFields();
    fields[ul::Clevel].size = 30;
    fields[ul::CXPos].size = 60;
    Table::create(dir.path(), project + kUnitLayoutSuffix, fields, UnitLayoutPrimaryIndex());
    addBox(2, 3, 2);
    addLines(2);
    write(SerializeLayoutParameters(sample()));
    EXPECT_TRUE(ReadLayoutParameters(ui, regional, dir.path(), project, true));

    // Other sizes are not ours.
    Table::remove(dir.path(), project + kUnitLayoutSuffix);
    fields[ul::CXPos].size = 20;
    Table::create(dir.path(), project + kUnitLayoutSuffix, fields, UnitLayoutPrimaryIndex());
    addBox(2, 3, 2);
    ui.expectError(QStringLiteral("File %1 is not a unit layout table: field Clevel is text of 30 characters, text expected.")
                       .arg(QDir::toNativeSeparators(Table::pathOf(dir.path(), project + kUnitLayoutSuffix))));
    EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, true));
    ui.verifyDone();
}

TEST_F(LayoutFileTables, DamagedLayoutTablesAreNamed)
{
    CreateLayoutTables(dir.path(), project);
    addBox(2, 3, 2);
    write(SerializeLayoutParameters(sample()));
    const QString lines = Table::pathOf(dir.path(), project + kRelLayoutSuffix);
    // Another program dropped a column: every port would read as 0.
    Table::remove(dir.path(), project + kRelLayoutSuffix);
    auto fields = RelLayoutFields();
    fields.erase(fields.begin() + rl::Port1);
    Table::create(dir.path(), project + kRelLayoutSuffix, fields, RelLayoutPrimaryIndex());
    ui.expectError(QStringLiteral("File %1 is not a relationship layout table: it has 13 fields, 14 expected.")
                       .arg(QDir::toNativeSeparators(lines)));
    EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, true));

    // A cut-off unit layout table: the table is at fault, not the parameter file.
    const QString units = Table::pathOf(dir.path(), project + kUnitLayoutSuffix);
    QFile file(units);
    ASSERT_TRUE(file.resize(100));
    QString engineText;
    try {
        Table t;
        t.open(dir.path(), project + kUnitLayoutSuffix);
    } catch (const EngineError& e) {
        engineText = e.text();
    }
    ASSERT_FALSE(engineText.isEmpty());
    ui.expectError(QStringLiteral("Error: Program is not able to open layout table\r\n") + QDir::toNativeSeparators(units)
                   + QStringLiteral("\r\n") + engineText);
    EXPECT_FALSE(ReadLayoutParameters(ui, regional, dir.path(), project, true));
    ui.verifyDone();
}

} // namespace
