#include "exchange/HarrisList.h"
#include "core/TextFile.h"
#include "core/UserInterface.h"
#include "editing/AddRelationship.h"
#include "store/Project.h"
#include "store/Relations.h"
#include "store/Session.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include "store/UnitKey.h"
#include <QFile>
#include <array>
#include <map>
#include <unordered_map>

namespace belvanto {

namespace {

constexpr qsizetype kNameColumns = 8;
constexpr qsizetype kQuotedLineMax = 100;
const QString kIndent(12, QLatin1Char(' '));

// Lines end at CR LF, LF or a lone CR; an ending at the very end adds no
// empty line, so line numbers in messages are the ones an editor shows.
std::vector<QByteArrayView> splitLines(QByteArrayView bytes)
{
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        if (ch != '\r' && ch != '\n') continue;
        lines.push_back(bytes.sliced(start, i - start));
        if (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.push_back(bytes.sliced(start));
    return lines;
}

bool isTrimmed(QChar ch) { return ch.unicode() <= 0x20 || ch.unicode() == 0x7F; }

// Blanks and control characters at both ends.
QString trimLine(QStringView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isTrimmed(text[begin])) ++begin;
    while (end > begin && isTrimmed(text[end - 1])) --end;
    return text.sliced(begin, end - begin).toString();
}

QString where(const QString& fileName, qsizetype lineNumber)
{
    return QStringLiteral("\r\n(%1, line %2)").arg(fileName).arg(lineNumber);
}

// A hostile file can hold one line of any length; messages quote its start.
QString quoted(const QString& line)
{
    return line.size() <= kQuotedLineMax ? line : line.left(kQuotedLineMax) + QStringLiteral("...");
}

struct RelationWord {
    QLatin1StringView word;
    QChar code;
};
// Searched in this order; the first found anywhere in the line counts.
constexpr std::array<RelationWord, 4> kRelationWords{{
    {QLatin1StringView("above:"), category::Earlier},
    {QLatin1StringView("contemporary with:"), category::Contemporary},
    {QLatin1StringView("equal to:"), category::Equal},
    {QLatin1StringView("below:"), category::Later},
}};

struct Category {
    QChar code;
    QLatin1StringView word;
};
constexpr std::array<Category, 5> kListCategories{{
    {category::Later, QLatin1StringView("below")},
    {category::Earlier, QLatin1StringView("above")},
    {category::Equal, QLatin1StringView("equal to")},
    {category::Contemporary, QLatin1StringView("contemporary with")},
    {category::PartOf, QLatin1StringView("part of")},
}};

constexpr qsizetype kFirstBlockLine = 3;
constexpr qsizetype kBlockLines = 5;

bool isUnitLine(qsizetype index) { return (index - kFirstBlockLine) % kBlockLines == 0; }

void splitUnitLine(const QString& line, QString& name, QString& description)
{
    // Short lines are trimmed too: a writer that pads names to eight columns
    // leaves blanks that no valid name holds.
    if (line.size() > kNameColumns) {
        name = trimLine(QStringView(line).first(kNameColumns));
        description = trimLine(QStringView(line).sliced(kNameColumns));
    } else {
        name = trimLine(line);
        description.clear();
    }
}

QString readError(const QString& text, const QString& fileName)
{
    return text + QStringLiteral("\r\n(%1)").arg(fileName);
}

} // namespace

HarrisListRead ReadHarrisList(QByteArrayView bytes, CodePage page, const QString& fileName, int descriptionSize)
{
    HarrisListRead result;
    // A DOS end-of-file byte and blank lines after the last block end the
    // list; they are no unit lines without a name.
    while (!bytes.isEmpty() && bytes.back() == '\x1A') bytes.chop(1);
    const std::vector<QByteArrayView> raw = splitLines(bytes);
    if (raw.empty()) {
        result.error = readError(QStringLiteral("File is empty. No data imported."), fileName);
        return result;
    }
    if (!raw.front().contains(QByteArrayView("Stratigraphic Dataset"))) {
        result.error = QStringLiteral("File format seems to be not correct. No data imported.") + where(fileName, 1);
        return result;
    }
    QStringList lines;
    lines.reserve(qsizetype(raw.size()));
    for (QByteArrayView line : raw) lines << decode(page, line);
    while (lines.size() > kFirstBlockLine && trimLine(lines.back()).isEmpty()) lines.removeLast();

    HarrisList list;
    std::map<QString, std::size_t, decltype(&KeyTextLess)> unitIndex(&KeyTextLess);
    QString name, description;
    for (qsizetype i = kFirstBlockLine; i < lines.size(); i += kBlockLines) {
        splitUnitLine(lines[i], name, description);
        if (name.isEmpty()) {
            result.error = QStringLiteral("Import error: No context name present in line: \r\n%1").arg(i + 1) +
                           where(fileName, i + 1);
            return result;
        }
        if (const QString problem = CheckUnitName(name); !problem.isEmpty()) {
            result.error = QStringLiteral("Import error: context %1\r\n%2").arg(quoted(name), problem) +
                           where(fileName, i + 1);
            return result;
        }
        if (descriptionSize > 0 && description.size() > descriptionSize) {
            result.error = QStringLiteral("Import error: context %1\r\nThe description is longer than %2 characters.")
                               .arg(name)
                               .arg(descriptionSize) +
                           where(fileName, i + 1);
            return result;
        }
        const auto [it, added] = unitIndex.emplace(name, list.units.size());
        if (added) list.units.push_back({name, description});
        else list.units[it->second].description = description;
    }

    QString current;
    for (qsizetype i = kFirstBlockLine; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (isUnitLine(i)) {
            splitUnitLine(line, current, description);
            continue;
        }
        const RelationWord* found = nullptr;
        qsizetype at = -1;
        for (const RelationWord& word : kRelationWords) {
            at = line.indexOf(word.word);
            if (at >= 0) {
                found = &word;
                break;
            }
        }
        if (!found) {
            result.error = QStringLiteral("Import error: No relation indicator present in line: \r\n%1").arg(quoted(line)) +
                           where(fileName, i + 1);
            return result;
        }
        const QString names = trimLine(QStringView(line).sliced(at + found->word.size()));
        if (names.isEmpty()) continue;
        for (const QString& entry : names.split(QLatin1Char(','))) {
            const QString other = trimLine(entry);
            if (const QString problem = CheckUnitName(other); !problem.isEmpty()) {
                result.error = QStringLiteral("Import error: in line\r\n%1\r\n%2").arg(quoted(line), problem) +
                               where(fileName, i + 1);
                return result;
            }
            if (other != current) list.relations.push_back({current, found->code, other});
        }
    }
    result.list = std::move(list);
    return result;
}

std::optional<bool> AskHarrisListOem(UserInterface& ui, const QString& fileName)
{
    const Answer answer = ui.confirm(QStringLiteral("Convert ASCII to ANSI?\r\nClick yes, if %1 was created by the "
                                                    "Kestrel Harris program.\r\nClick no, if %1 was created by ArchEd.")
                                         .arg(fileName),
                                     Buttons::YesNoCancel, kHarrisListHelpTopic);
    if (answer == Answer::Cancel) return std::nullopt;
    return answer == Answer::Yes;
}

int StoreHarrisList(Session& session, const HarrisList& list, const QString& excavation)
{
    Table& units = session.units();
    Table& relations = session.relations();
    BulkScope bulk;
    {
        std::unordered_map<QString, qint64> existing;
        units.scan(QStringLiteral("Excavation = ?"), {Value(excavation)}, QString(), [&existing](Table::Row& row) {
            existing.emplace(valueToString(row.values[uf::Unitname]), row.rowid);
        });
        TableWriter writer(units);
        for (const HarrisListUnit& unit : list.units) {
            const auto found = existing.find(unit.name);
            writer.set(uf::Description, unit.description.isEmpty() ? Value() : Value(unit.description));
            if (found != existing.end()) {
                writer.update(found->second);
                continue;
            }
            writer.set(uf::Excavation, excavation);
            writer.set(uf::Unitname, unit.name);
            writer.set(uf::Unitclass, kContext);
            writer.append();
        }
    }
    UnitClassCache classes(units);
    classes.preload();
    for (const HarrisListRelation& r : list.relations)
        AddRelationship(session, units, relations, {excavation, r.unit}, {excavation, r.other}, r.code, QString(),
                        level::Silent, &classes);
    return int(list.units.size());
}

namespace {

// Reads and checks the file; the refusal is shown. oem is asked for when
// none was given.
std::optional<HarrisList> readListFile(Session& session, const QString& path, std::optional<bool> oem)
{
    UserInterface& ui = session.ui();
    if (!oem) oem = AskHarrisListOem(ui, path);
    if (!oem) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ui.error(QStringLiteral("%1: %2").arg(path, file.errorString()), kHarrisListHelpTopic);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    BusyCursor busy(ui);
    HarrisListRead read = ReadHarrisList(bytes, *oem ? CodePage::Oem850 : CodePage::Windows1252, path,
                                         session.catalogue()[uf::Description].Size);
    if (!read.list) {
        ui.error(read.error, kHarrisListHelpTopic);
        return std::nullopt;
    }
    return std::move(read.list);
}

void showImported(UserInterface& ui, int count)
{
    ui.status(QStringLiteral("%1 units imported").arg(count));
}

} // namespace

std::optional<int> ImportHarrisList(Session& session, const QString& path, const QString& excavation,
                                    std::optional<bool> oem)
{
    const std::optional<HarrisList> list = readListFile(session, path, oem);
    if (!list) return std::nullopt;
    BusyCursor busy(session.ui());
    const int count = StoreHarrisList(session, *list, excavation);
    showImported(session.ui(), count);
    return count;
}

std::optional<int> ImportHarrisListAsProject(Session& session, const QString& path, const QString& projectFile,
                                             const QString& excavation, bool singleExcavation,
                                             std::optional<bool> oem)
{
    const std::optional<HarrisList> list = readListFile(session, path, oem);
    if (!list) return std::nullopt;
    int count = 0;
    const bool made = CreateProjectFiles(session, projectFile, excavation, QString(), singleExcavation, [&] {
        BusyCursor busy(session.ui());
        count = StoreHarrisList(session, *list, excavation);
        return true;
    });
    if (!made) return std::nullopt;
    showImported(session.ui(), count);
    return count;
}

QStringList ExtendedHarrisList(const Table& unitTable, const Table& relationTable,
                               const UnitFieldCatalogue& catalogue, bool singleExcavation,
                               const QString& projectName)
{
    const auto listName = [singleExcavation](const QString& excavation, const QString& unitname) {
        return singleExcavation ? unitname : excavation + QStringLiteral("::") + unitname;
    };
    // Every unit's relationship lists by category, read in one pass.
    std::map<UnitKey, std::array<QStringList, kListCategories.size()>> lists;
    relationTable.scan(QString(), {}, kRelationKeyOrder, [&](Table::Row& row) {
        const QChar code = CategoryOf(row);
        for (std::size_t c = 0; c < kListCategories.size(); ++c) {
            if (kListCategories[c].code != code) continue;
            const UnitKey first{textAt(row, rel::Excavation1), textAt(row, rel::Unitname1)};
            lists[first][c] << listName(textAt(row, rel::Excavation2), textAt(row, rel::Unitname2));
        }
    });

    QStringList lines{kIndent + QStringLiteral("Stratigraphic Dataset ") + projectName, QString(),
                      QStringLiteral("Name")};
    unitTable.scan(QString(), {}, kUnitKeyOrder, [&](Table::Row& row) {
        const UnitKey unit{textAt(row, uf::Excavation), textAt(row, uf::Unitname)};
        lines << listName(unit.excavation, unit.unitname);
        if (const auto found = lists.find(unit); found != lists.end()) {
            for (std::size_t c = 0; c < kListCategories.size(); ++c)
                if (!found->second[c].isEmpty())
                    lines << kIndent + kListCategories[c].word + QStringLiteral(": ") +
                                 found->second[c].join(QStringLiteral(", "));
        }
        for (int field = uf::Unitclass; field < kOptionFieldCount; ++field) {
            const Value& value = row.values[std::size_t(field)];
            if (valueIsEmpty(value)) continue;
            // A list line holds one line of text: the breaks of multi-line
            // fields (descriptions, inclusions) become one blank each, which
            // is the one change a value undergoes in this format.
            QString text = valueToString(value);
            text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            text.replace(QLatin1Char('\r'), QLatin1Char(' '));
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            lines << kIndent + catalogue[field].Label + QStringLiteral(": ") + text;
        }
    });
    return lines;
}

bool ExportHarrisList(Session& session, const QString& path)
{
    BusyCursor busy(session.ui());
    FilterOff units(session.units());
    FilterOff relations(session.relations());
    const ProjectState& p = session.project();
    const QStringList lines =
        ExtendedHarrisList(session.units(), session.relations(), session.catalogue(), p.SingleExcavation, p.ProjectName);
    const TextFileResult written = writeTextLines(path, lines, CodePage::Windows1252);
    if (!written) {
        session.ui().error(written.error);
        return false;
    }
    return true;
}

} // namespace belvanto
