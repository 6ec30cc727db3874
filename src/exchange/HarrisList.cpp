#include "exchange/HarrisList.h"
#include "core/Format.h"
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
#include <QHash>
#include <array>
#include <map>
#include <unordered_map>

namespace belvanto {

namespace {

constexpr qsizetype kNameColumns = 8;
constexpr qsizetype kQuotedLineMax = 100;
// Longest line read: a file of one endless line is refused before it is
// decoded into text twice its size.
constexpr qsizetype kMaxLineBytes = qsizetype(1) << 24;
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

// The fields an Extended list writes, by their labels.
constexpr int kFirstListedField = uf::Unitclass;
constexpr int kLastListedField = uf::FindCat;

const UnitFieldCatalogue& listCatalogue()
{
    // Labels and sizes are the same in every project.
    static const UnitFieldCatalogue catalogue;
    return catalogue;
}

bool isIndent(char ch) { return ch == ' ' || ch == '\t'; }
bool isIndent(QChar ch) { return ch == QLatin1Char(' ') || ch == QLatin1Char('\t'); }

template <typename Text>
Text afterIndent(Text line)
{
    qsizetype i = 0;
    while (i < line.size() && isIndent(line[i])) ++i;
    return line.sliced(i);
}

// What an indented line of an Extended list begins with.
enum class ListLine { Other, FixedWord, PartOf, Field };

ListLine classifyListLine(QByteArrayView body)
{
    for (const Category& c : kListCategories)
        if (body.startsWith(QByteArrayView(c.word.data(), c.word.size())) && body.size() > c.word.size() &&
            body[c.word.size()] == ':')
            return c.code == category::PartOf ? ListLine::PartOf : ListLine::FixedWord;
    const qsizetype colon = body.indexOf(':');
    if (colon <= 0) return ListLine::Other;
    static const std::vector<QByteArray> labels = [] {
        std::vector<QByteArray> all;
        for (int f = kFirstListedField; f <= kLastListedField; ++f) all.push_back(listCatalogue()[f].Label.toLatin1());
        return all;
    }();
    const QByteArrayView label = body.first(colon);
    for (const QByteArray& l : labels)
        if (label == l) return ListLine::Field;
    return ListLine::Other;
}

// A list is read as an Extended Harris List when its lines cannot be fixed
// five-line blocks of an older program:
//  - a line at the place of a fixed block's unit line (the 4th, 9th, 14th
//    ... line) is indented and begins with a relation word or a field label
//    and a colon: Extended blocks have any number of lines;
//  - an indented line begins with "part of:" or a field label and a colon:
//    fixed blocks hold only the four relation words;
//  - a line at the place of a unit line holds "::": a unit named with its
//    excavation, which no fixed list has (a unit name holds no colon).
// Every list that the fixed reading accepts keeps its meaning: its unit
// lines stand at their places, and its relation lines, indented or not,
// hold the four words.
bool isExtendedList(const std::vector<QByteArrayView>& lines)
{
    for (std::size_t i = std::size_t(kFirstBlockLine); i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        const bool unitPlace = isUnitLine(qsizetype(i));
        if (line.isEmpty() || !isIndent(line.front())) {
            if (unitPlace && line.contains(QByteArrayView("::"))) return true;
            continue;
        }
        const ListLine kind = classifyListLine(afterIndent(line));
        if (kind == ListLine::Other) continue;
        if (unitPlace || kind != ListLine::FixedWord) return true;
    }
    return false;
}

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

QString typeWords(FieldType type)
{
    switch (type) {
    case FieldType::Integer: return QStringLiteral("an integer number");
    case FieldType::Float: return QStringLiteral("a number");
    case FieldType::Date: return QStringLiteral("a date (yyyy-mm-dd)");
    case FieldType::String: break;
    }
    return QStringLiteral("a text");
}

// A value as the writer wrote it, back in its field's type; none when it does
// not convert. Empty text is an empty field.
std::optional<Value> listValue(const QString& text, FieldType type)
{
    if (text.isEmpty()) return Value();
    switch (type) {
    case FieldType::String: return Value(text);
    case FieldType::Integer:
        if (const auto i = parseInt32(text)) return Value(*i);
        break;
    case FieldType::Float:
        if (const auto d = parseDouble(text)) return Value(*d);
        break;
    case FieldType::Date: {
        const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
        if (date.isValid()) return Value(date);
        break;
    }
    }
    return std::nullopt;
}

// The blocks of an Extended Harris List: a line without indentation names a
// unit, the indented lines after it are its relation and field lines. Names
// are "excavation::unit name" throughout when the first unit line has that
// form, plain unit names otherwise. Blank lines carry nothing.
class ExtendedListReader {
public:
    ExtendedListReader(const QStringList& lines, const QString& fileName) : lines_(lines), fileName_(fileName) {}

    HarrisListRead read()
    {
        HarrisListRead result;
        list_.extended = true;
        for (qsizetype i = kFirstBlockLine; i < lines_.size(); ++i) {
            if (!trimLine(lines_[i]).isEmpty()) {
                qualified_ = !isIndent(lines_[i].front()) && lines_[i].contains(QStringLiteral("::"));
                break;
            }
        }
        for (qsizetype i = kFirstBlockLine; i < lines_.size(); ++i) {
            const QString& line = lines_[i];
            if (trimLine(line).isEmpty()) continue;
            line_ = i;
            const bool ok = isIndent(line.front()) ? readListLine(afterIndent(QStringView(line))) : readUnitLine(line);
            if (!ok) {
                result.error = error_ + where(fileName_, i + 1);
                return result;
            }
        }
        result.list = std::move(list_);
        return result;
    }

private:
    bool fail(const QString& text)
    {
        error_ = text;
        return false;
    }

    // name, or excavation::name; false with the reason.
    bool splitName(const QString& text, UnitKey& key, QString& problem) const
    {
        if (!qualified_) {
            key = {QString(), text};
            problem = CheckUnitName(text);
            return problem.isEmpty();
        }
        const qsizetype at = text.indexOf(QStringLiteral("::"));
        if (at < 0) {
            problem = QStringLiteral("The list names units as excavation::unit name.");
            return false;
        }
        key = {text.left(at), text.mid(at + 2)};
        problem = CheckUnitName(key.unitname);
        if (problem.isEmpty()) problem = ExcavationNameProblem(key.excavation);
        return problem.isEmpty();
    }

    bool readUnitLine(const QString& line)
    {
        const QString name = trimLine(line);
        UnitKey key;
        QString problem;
        if (!splitName(name, key, problem))
            return fail(QStringLiteral("Import error: context %1\r\n%2").arg(quoted(name), problem));
        const auto [it, added] = unitIndex_.emplace(key, list_.units.size());
        if (added) list_.units.push_back({key.unitname, QString(), key.excavation, {}});
        current_ = it->second;
        // A unit listed twice keeps its last block.
        list_.units[*current_].fields.assign(std::size_t(kOptionFieldCount), Value());
        return true;
    }

    bool readListLine(QStringView body)
    {
        if (!current_)
            return fail(QStringLiteral("Import error: No context name present in line: \r\n%1").arg(line_ + 1));
        for (const Category& c : kListCategories) {
            if (!body.startsWith(c.word) || body.size() <= c.word.size() || body[c.word.size()] != QLatin1Char(':'))
                continue;
            return readRelations(c.code, trimLine(body.sliced(c.word.size() + 1)));
        }
        const qsizetype colon = body.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return fail(QStringLiteral("Import error: No relation indicator or field label present in line: \r\n%1")
                            .arg(quoted(lines_[line_])));
        const QStringView label = body.first(colon);
        const UnitFieldCatalogue& catalogue = listCatalogue();
        int field = kFirstListedField;
        while (field <= kLastListedField && catalogue[field].Label != label) ++field;
        if (field > kLastListedField)
            return fail(QStringLiteral("Import error: Unknown field label %1 in line: \r\n%2")
                            .arg(quoted(label.toString()), quoted(lines_[line_])));
        // The writer puts one blank after the colon; the value is the rest, as it was.
        QStringView text = body.sliced(colon + 1);
        if (text.startsWith(QLatin1Char(' '))) text = text.sliced(1);
        HarrisListUnit& unit = list_.units[*current_];
        const QString shown = unit.excavation.isEmpty() ? unit.name : unit.excavation + QStringLiteral("::") + unit.name;
        const UnitFieldEntry& entry = catalogue[field];
        std::optional<Value> value = listValue(text.toString(), entry.Type);
        if (!value)
            return fail(QStringLiteral("Import error: context %1\r\n%2 is not %3 for the field %4.")
                            .arg(shown, quoted(text.toString()), typeWords(entry.Type), entry.Label));
        if (entry.Type == FieldType::String && entry.Size > 0 && text.size() > entry.Size)
            return fail(QStringLiteral("Import error: context %1\r\nThe value of the field %2 is longer than %3 characters.")
                            .arg(shown, entry.Label)
                            .arg(entry.Size));
        if (field == uf::Unitclass && !valueIsEmpty(*value)) {
            static const QStringList classes = UnitClassList();
            const QString unitClass = valueToString(*value).toLower();
            if (!classes.contains(unitClass))
                return fail(QStringLiteral("Import error: context %1\r\nAllowed unit classes are only: context, work "
                                           "area, and group").arg(shown));
            *value = unitClass;
        }
        unit.fields[std::size_t(field)] = std::move(*value);
        return true;
    }

    bool readRelations(QChar code, const QString& names)
    {
        if (names.isEmpty()) return true;
        const HarrisListUnit& unit = list_.units[*current_];
        const UnitKey self{unit.excavation, unit.name};
        const auto add = [&](const QString& entry) {
            UnitKey other;
            QString problem;
            if (!splitName(entry, other, problem))
                return fail(QStringLiteral("Import error: in line\r\n%1\r\n%2").arg(quoted(lines_[line_]), problem));
            if (other != self)
                list_.relations.push_back({self.unitname, code, other.unitname, self.excavation, other.excavation});
            return true;
        };
        if (!qualified_) {
            for (const QString& entry : names.split(QLatin1Char(',')))
                if (!add(trimLine(entry))) return false;
            return true;
        }
        // An excavation name may hold commas and blanks, a unit name neither:
        // each entry runs from the end of the one before to the first comma
        // after its "::".
        qsizetype pos = 0;
        while (pos < names.size()) {
            const qsizetype at = names.indexOf(QStringLiteral("::"), pos);
            const qsizetype comma = at < 0 ? -1 : names.indexOf(QLatin1Char(','), at + 2);
            const qsizetype end = comma < 0 ? names.size() : comma;
            const QString entry = trimLine(QStringView(names).sliced(pos, end - pos));
            if (!entry.isEmpty() && !add(entry)) return false;
            pos = end + 1;
        }
        return true;
    }

    const QStringList& lines_;
    const QString& fileName_;
    HarrisList list_;
    std::map<UnitKey, std::size_t> unitIndex_;
    std::optional<std::size_t> current_;
    qsizetype line_ = 0;
    bool qualified_ = false;
    QString error_;
};

} // namespace

bool IsExtendedHarrisList(QByteArrayView bytes)
{
    return isExtendedList(splitLines(bytes));
}

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
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i].size() <= kMaxLineBytes) continue;
        result.error = QStringLiteral("Import error: the line is longer than %1 characters.").arg(kMaxLineBytes) +
                       where(fileName, qsizetype(i) + 1);
        return result;
    }
    const bool extended = isExtendedList(raw);
    QStringList lines;
    lines.reserve(qsizetype(raw.size()));
    for (QByteArrayView line : raw) lines << decode(page, line);
    while (lines.size() > kFirstBlockLine && trimLine(lines.back()).isEmpty()) lines.removeLast();
    if (extended) return ExtendedListReader(lines, fileName).read();

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
        if (added) list.units.push_back({name, description, QString(), {}});
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
            if (other != current) list.relations.push_back({current, found->code, other, QString(), QString()});
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
    const auto keyOf = [&excavation](const QString& ownExcavation, const QString& name) {
        return UnitKey{ownExcavation.isEmpty() ? excavation : ownExcavation, name};
    };
    bool otherExcavation = false;
    BulkScope bulk;
    {
        QHash<UnitKey, qint64> existing;
        units.scan(QString(), {}, QString(), [&](Table::Row& row) {
            const UnitKey key{valueToString(row.values[uf::Excavation]), valueToString(row.values[uf::Unitname])};
            otherExcavation = otherExcavation || key.excavation != excavation;
            existing.insert(key, row.rowid);
        });
        TableWriter writer(units);
        for (const HarrisListUnit& unit : list.units) {
            const UnitKey key = keyOf(unit.excavation, unit.name);
            otherExcavation = otherExcavation || key.excavation != excavation;
            const auto found = existing.constFind(key);
            const bool added = found == existing.constEnd();
            if (list.extended) {
                // The block is the whole unit: a field without a line is empty.
                for (int field = uf::Unitclass + 1; field < kOptionFieldCount; ++field)
                    writer.set(field, unit.fields[std::size_t(field)]);
                const Value& unitClass = unit.fields[uf::Unitclass];
                if (!valueIsEmpty(unitClass)) writer.set(uf::Unitclass, unitClass);
                else if (added) writer.set(uf::Unitclass, kContext);
            } else {
                writer.set(uf::Description, unit.description.isEmpty() ? Value() : Value(unit.description));
                if (added) writer.set(uf::Unitclass, kContext);
            }
            if (!added) {
                writer.update(*found);
                continue;
            }
            writer.set(uf::Excavation, key.excavation);
            writer.set(uf::Unitname, key.unitname);
            writer.append();
        }
    }
    UnitClassCache classes(units);
    classes.preload();
    for (const HarrisListRelation& r : list.relations)
        AddRelationship(session, units, relations, keyOf(r.unitExcavation, r.unit), keyOf(r.otherExcavation, r.other),
                        r.code, QString(), level::Silent, &classes);
    if (otherExcavation) session.project().SingleExcavation = false;
    return int(list.units.size());
}

namespace {

// Reads and checks the file; the refusal is shown. oem is asked for when
// none was given.
std::optional<HarrisList> readListFile(Session& session, const QString& path, std::optional<bool> oem)
{
    UserInterface& ui = session.ui();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ui.error(QStringLiteral("%1: %2").arg(path, file.errorString()), kHarrisListHelpTopic);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    // Our own lists are Windows-1252: the question is about lists of DOS programs.
    if (!oem && IsExtendedHarrisList(bytes)) oem = false;
    if (!oem) oem = AskHarrisListOem(ui, path);
    if (!oem) return std::nullopt;
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
