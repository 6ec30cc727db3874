#include "exchange/RelationList.h"

#include "core/TextFile.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/UnitFields.h"
#include "store/UnitKey.h"

#include <QSet>

namespace belvanto {

namespace {

struct CategoryWord {
    QChar code;
    const char* words[3];
};
constexpr CategoryWord kCategoryWords[] = {
    {u'>', {"later", "later than", ">"}},
    {u'<', {"earlier", "earlier than", "<"}},
    {u'=', {"equal", "equal to", "="}},
    {u'-', {"contemporary", "contemporary with", "-"}},
    {u'p', {"part of", "p", "part_of"}},
};

QString categoryWord(QChar code)
{
    for (const auto& c : kCategoryWords)
        if (c.code == code) return QString::fromLatin1(c.words[0]);
    return QString();
}

int findColumn(const CsvSource& source, const QString& column)
{
    const auto& columns = source.columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(column, Qt::CaseInsensitive) == 0) return int(i);
    bool number = false;
    const int n = column.toInt(&number);
    if (number && n >= 1 && n <= int(columns.size())) return n - 1;
    throw ImportError(QStringLiteral("%1 has no column %2.").arg(source.filePath(), column));
}

struct ListRow {
    int line;
    UnitKey later, earlier;
    QChar code;
    QString laterText, earlierText;
};

} // namespace

QChar RelationListCategory(const QString& text)
{
    const QString t = text.trimmed();
    for (const auto& c : kCategoryWords)
        for (const char* w : c.words)
            if (t.compare(QLatin1String(w), Qt::CaseInsensitive) == 0) return c.code;
    return QChar();
}

bool ImportRelationList(Session& session, const QString& path, const RelationListOptions& options)
{
    UserInterface& ui = session.ui();
    const UnitFieldCatalogue& catalogue = session.catalogue();
    const QString excavation = options.excavation.isEmpty() ? session.project().CurrentExcavation : options.excavation;
    const QString& keySeparator = options.csv.KeySeparator;
    BusyCursor busy(ui);
    std::vector<ListRow> rows;
    try {
        CsvSource source(path, options.csv, session.regional());
        const int later = findColumn(source, options.laterColumn);
        const int earlier = findColumn(source, options.earlierColumn);
        const int categoryColumn = options.categoryColumn.isEmpty() ? -1 : findColumn(source, options.categoryColumn);
        auto fail = [&](const QString& reason) {
            return ImportError(QStringLiteral("%1, line %2: %3").arg(path).arg(source.position()).arg(reason));
        };
        // Names are cut to the sizes of the key fields, as every import does.
        auto unitOf = [&](const QString& text) {
            const qsizetype at = keySeparator.isEmpty() ? -1 : text.indexOf(keySeparator);
            const QString ex = at < 0 ? excavation : text.left(at).trimmed();
            const QString name = at < 0 ? text.trimmed() : text.mid(at + keySeparator.size()).trimmed();
            UnitKey key{ex.left(catalogue[uf::Excavation].Size), name.left(catalogue[uf::Unitname].Size)};
            if (const QString problem = CheckUnitName(key.unitname); !problem.isEmpty())
                throw fail(problem + QStringLiteral("\r\nIllegal name: ") + key.unitname);
            if (const QString problem = ExcavationNameProblem(key.excavation); !problem.isEmpty())
                throw fail(problem + QStringLiteral("\r\nIllegal excavation name ") + key.excavation);
            return key;
        };
        QStringList fields;
        while (source.nextFields(fields)) {
            if (fields.size() != qsizetype(source.columns().size()))
                throw ImportError(QStringLiteral("%1: %2 fields expected, but %3 fields in line %4")
                                      .arg(path).arg(source.columns().size()).arg(fields.size()).arg(source.position()));
            ListRow row;
            row.line = source.position();
            row.code = options.fixedCategory;
            if (categoryColumn >= 0) {
                row.code = RelationListCategory(fields[categoryColumn]);
                if (row.code.isNull()) throw fail(QStringLiteral("unknown category %1.").arg(fields[categoryColumn]));
            }
            row.laterText = fields[later].trimmed();
            row.earlierText = fields[earlier].trimmed();
            row.later = unitOf(row.laterText);
            row.earlier = unitOf(row.earlierText);
            rows.push_back(std::move(row));
        }
    } catch (const ImportError& e) {
        ui.message(MessageKind::Error, e.text(), Buttons::Ok);
        return false;
    }

    Table& units = session.units();
    Table& relations = session.relations();
    QStringList refused;
    bool single = session.project().SingleExcavation;
    try {
        BulkScope bulk;
        DisplaySuspended quietUnits(units);
        DisplaySuspended quietRelations(relations);
        UnitClassCache classes(units);
        classes.preload();
        for (const ListRow& row : rows) {
            for (const UnitKey& unit : {row.later, row.earlier}) {
                if (classes.classOf(unit)) continue;
                CreateUnit(units, unit, kContext);
                if (unit.excavation != session.project().CurrentExcavation) single = false;
            }
            const AddResult result = AddRelationship(session, units, relations, row.later, row.earlier, row.code,
                                                     QString(), level::Silent, &classes);
            if (result == AddResult::Stored) continue;
            const QString pair = row.laterText + QLatin1Char(' ') + row.code + QLatin1Char(' ') + row.earlierText;
            switch (result) {
            case AddResult::SelfRelation:
                refused.append(QStringLiteral("line %1: %2 is related to itself").arg(row.line).arg(row.laterText));
                break;
            case AddResult::AlreadyDefined:
                refused.append(QStringLiteral("line %1: %2 is already defined").arg(row.line).arg(pair));
                break;
            default:
                refused.append(QStringLiteral("line %1: %2 breaks the rules of relationships").arg(row.line).arg(pair));
            }
        }
    } catch (const EngineError& e) {
        ui.message(MessageKind::Error, e.text(), Buttons::Ok);
        return false;
    }
    session.project().SingleExcavation = single;
    if (!refused.isEmpty()) {
        constexpr qsizetype kShown = 20;
        QStringList shown = refused.mid(0, kShown);
        if (refused.size() > kShown) shown.append(QStringLiteral("... and %1 more").arg(refused.size() - kShown));
        ui.message(MessageKind::Warning,
                   QStringLiteral("%1 relationships of %2 were not imported:\r\n").arg(refused.size()).arg(path)
                       + shown.join(QStringLiteral("\r\n")),
                   Buttons::Ok);
    }
    return true;
}

bool ExportRelationList(Session& session, const QString& path, const CsvOptions& options)
{
    const bool single = session.project().SingleExcavation;
    Table& relations = session.relations();
    const int ex1 = relations.fieldIndexOrThrow(u"Excavation1"), un1 = relations.fieldIndexOrThrow(u"Unitname1");
    const int ex2 = relations.fieldIndexOrThrow(u"Excavation2"), un2 = relations.fieldIndexOrThrow(u"Unitname2");
    const int cat = relations.fieldIndexOrThrow(u"RelationCat");
    const QString& sep = options.Separator;
    QStringList lines;
    if (options.FirstRowNames)
        lines.append(QStringList{QStringLiteral("Later"), QStringLiteral("Earlier"), QStringLiteral("Category")}.join(sep));
    relations.scan(QString(), {}, kRelationKeyOrder, [&](Table::Row& row) {
        const QString code = textAt(row, cat);
        if (code.size() != 1) return;
        const UnitKey first{textAt(row, ex1), textAt(row, un1)}, second{textAt(row, ex2), textAt(row, un2)};
        // Each pair once: its later row, and the lower end of an equal or contemporary pair.
        if (code.front() == category::Earlier) return;
        if (IsClassCategory(code.front()) && !(first < second)) return;
        const QString word = categoryWord(code.front());
        if (word.isEmpty()) return;
        lines.append(CsvField(UnitLabel(first.excavation, first.unitname, single), options.TextDelimiter) + sep
                     + CsvField(UnitLabel(second.excavation, second.unitname, single), options.TextDelimiter) + sep
                     + CsvField(word, options.TextDelimiter));
    });
    const TextFileResult written = writeTextLines(path, lines, options.codePage());
    if (!written) {
        session.ui().message(MessageKind::Error, written.error, Buttons::Ok);
        return false;
    }
    return true;
}

} // namespace belvanto
