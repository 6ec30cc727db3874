// Every export format read back by its import gives the same units, fields
// and relationship rows: .lst through the Harris list import, .dbf, .txt and
// .csv through the field-concordance import with its automatic assignment,
// the paths belvanto-cli takes.
#include "exchange/ExchangeTestSupport.h"
#include "core/Regional.h"
#include "editing/AddRelationship.h"
#include "exchange/Concordance.h"
#include "exchange/Csv.h"
#include "exchange/Dbase.h"
#include "exchange/HarrisList.h"
#include "exchange/TextTable.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace belvanto {
namespace {

using testing::TempDir;

enum class Format { Lst, Dbf, Txt, Csv };

struct RoundTripCase {
    Format format;
    const char* extension;
    bool singleExcavation;
    // .lst and .txt hold every value on one line: a line break comes back as
    // one blank. dBase and CSV keep it.
    bool breaksBecomeBlanks;
    friend void PrintTo(const RoundTripCase& c, std::ostream* os)
    {
        *os << c.extension << (c.singleExcavation ? " single" : " several");
    }
};

const QString kSecond = QStringLiteral("S\u00fcd, 2");   // an excavation name with a comma and a blank

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {
protected:
    void TearDown() override
    {
        if (session.project().isOpen()) CloseProject(session, true);
        ui.verifyDone();
    }

    void unit(const UnitKey& key, const QString& unitClass, const std::vector<std::pair<int, Value>>& values = {})
    {
        Table& t = session.units();
        t.insert();
        t.set(uf::Excavation, key.excavation);
        t.set(uf::Unitname, key.unitname);
        t.set(uf::Unitclass, unitClass);
        for (const auto& [field, v] : values) t.set(field, v);
        t.post();
    }
    void rel(const UnitKey& a, QChar code, const UnitKey& b)
    {
        ASSERT_EQ(AddRelationship(session, a, b, code, QString(), level::Silent), AddResult::Stored)
            << a.text().toStdString() << ' ' << QString(code).toStdString() << ' ' << b.text().toStdString();
    }

    // Every field type, multi-line texts with CR LF, names beyond ASCII, a
    // list of 40 units (a dBase memo), all five categories.
    void fill(bool single)
    {
        const QString a = QStringLiteral("A");
        const QString b = single ? a : kSecond;
        BulkScope bulk;
        unit({a, QStringLiteral("12")}, kContext,
             {{uf::XMinCoord, 12.5}, {uf::ZMaxCoord, 101.12345678}, {uf::YAvgCoord, -0.25},
              {uf::MinYear, qint32(1200)}, {uf::MaxYear, qint32(-50)}, {uf::AvgYear, qint32(-2147483647)},
              {uf::ExcavationDate, QDate(2003, 2, 1)},
              {uf::Description, QStringLiteral("  dark soil\r\nwith stones, \u00e9 \u00df \u0152 \u20ac; loose")},
              {uf::Inclusions, QStringLiteral("charcoal\r\nbone\r\n\r\npottery")},
              {uf::Interpretation, QString(200, QLatin1Char('i')) + QStringLiteral("\r\npit fill")},
              {uf::Colour, QStringLiteral("gr\u00fcnlich-braun")}, {uf::Period, QStringLiteral("II")},
              {uf::Excavator, QStringLiteral("M\u00fcller")}, {uf::FindCat, QStringLiteral("K\u00e9ramik")},
              {uf::Location, QStringLiteral("Trench 1")}, {uf::Phase, QStringLiteral("3b")}});
        unit({a, QStringLiteral("13")}, kContext, {{uf::XMinCoord, 3.0}, {uf::MinYear, qint32(0)}});
        unit({a, QStringLiteral("\u0152\u20ac1")}, kContext, {{uf::Description, QStringLiteral("\u0152uvre")}});
        unit({b, QStringLiteral("\u00e9\u00df2")}, kContext, {{uf::ExcavationDate, QDate(1999, 12, 24)}});
        unit({a, QStringLiteral("14")}, kContext);
        unit({a, QStringLiteral("G")}, kGroup, {{uf::Description, QStringLiteral("the pits")}});
        unit({b, QStringLiteral("W")}, kWorkArea);
        for (int i = 1; i <= 40; ++i) unit({a, QStringLiteral("U%1").arg(i, 2, 10, QLatin1Char('0'))}, kContext);
        for (int i = 1; i <= 40; ++i)
            rel({a, QStringLiteral("12")}, category::Later, {a, QStringLiteral("U%1").arg(i, 2, 10, QLatin1Char('0'))});
        rel({a, QStringLiteral("13")}, category::Equal, {a, QStringLiteral("\u0152\u20ac1")});
        rel({b, QStringLiteral("\u00e9\u00df2")}, category::Contemporary, {a, QStringLiteral("14")});
        rel({a, QStringLiteral("12")}, category::PartOf, {a, QStringLiteral("G")});
        rel({a, QStringLiteral("13")}, category::PartOf, {a, QStringLiteral("G")});
        rel({a, QStringLiteral("14")}, category::Earlier, {a, QStringLiteral("13")});
    }

    // Every unit with fields 0..33, "|"-separated.
    QStringList unitRows()
    {
        QStringList rows;
        for (const auto& row : session.units().query(QString(), {}, kUnitKeyOrder)) {
            QStringList values;
            for (int f = 0; f < kOptionFieldCount; ++f) values << valueToString(row.values[std::size_t(f)]);
            rows << values.join(QLatin1Char('|'));
        }
        return rows;
    }

    bool exportTo(Format format, const QString& path)
    {
        switch (format) {
        case Format::Lst: return ExportHarrisList(session, path);
        case Format::Dbf: return ExportDbase(session, path).ok;
        case Format::Txt: return ExportTextTable(session, path).ok;
        case Format::Csv: return ExportCsv(session, path, csvOptions());
        }
        return false;
    }

    static CsvOptions csvOptions()
    {
        CsvOptions o;
        o.FirstRowNames = true;
        return o;
    }

    bool importInto(Format format, const QString& path, const QString& project)
    {
        if (format == Format::Lst)
            return ImportHarrisListAsProject(session, path, project, QStringLiteral("A"), true).has_value();
        std::unique_ptr<ImportSource> source;
        if (format == Format::Csv) source = std::make_unique<CsvSource>(path, csvOptions(), regional);
        else source = OpenTableSource(path);
        Concordance c;
        c.targets = AutoAssign(source->columns(), session.catalogue(), source->givesText());
        c.defaultExcavation = QStringLiteral("A");
        return ImportIntoNewProject(session, project, *source, c);
    }

    TempDir dir;
    ScriptedUi ui;
    FixedRegional regional;
    Session session{ui, regional};
};

TEST_P(RoundTrip, ExportThenImportGivesTheSameUnitsFieldsAndRelationships)
{
    const RoundTripCase& c = GetParam();
    ASSERT_TRUE(CreateProjectFiles(session, dir.file(QStringLiteral("P.bvp")), QStringLiteral("A"), QString(),
                                   c.singleExcavation));
    fill(c.singleExcavation);
    QStringList units = unitRows();
    const QStringList relations = RelationRowTexts(session.relations());
    ASSERT_EQ(relations.size(), 40 * 2 + 2 + 2 + 2 + 2);
    if (c.breaksBecomeBlanks) units.replaceInStrings(QStringLiteral("\r\n"), QStringLiteral(" "));

    const QString file = dir.file(QStringLiteral("out.") + QLatin1String(c.extension));
    ASSERT_TRUE(exportTo(c.format, file));
    ASSERT_TRUE(CloseProject(session, true));

    ASSERT_TRUE(importInto(c.format, file, dir.file(QStringLiteral("Q.bvp"))));
    EXPECT_EQ(unitRows(), units);
    EXPECT_EQ(RelationRowTexts(session.relations()), relations);
    EXPECT_EQ(session.project().SingleExcavation, c.singleExcavation);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RoundTrip,
    ::testing::Values(RoundTripCase{Format::Lst, "lst", false, true}, RoundTripCase{Format::Lst, "lst", true, true},
                      RoundTripCase{Format::Dbf, "dbf", false, false}, RoundTripCase{Format::Dbf, "dbf", true, false},
                      RoundTripCase{Format::Txt, "txt", false, true}, RoundTripCase{Format::Txt, "txt", true, true},
                      RoundTripCase{Format::Csv, "csv", false, false}, RoundTripCase{Format::Csv, "csv", true, false}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) {
        return std::string(info.param.extension) + (info.param.singleExcavation ? "Single" : "Several");
    });

} // namespace
} // namespace belvanto
