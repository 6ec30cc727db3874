#include "layout/LayoutFiles.h"
#include "core/Regional.h"
#include "core/TextCodec.h"
#include "core/UserInterface.h"
#include "store/Schema.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>

namespace belvanto {

namespace {

FieldDef str(const char* name, int size) { return {QString::fromLatin1(name), FieldType::String, size, false}; }
FieldDef num(const char* name) { return {QString::fromLatin1(name), FieldType::Integer, 0, false}; }

QString parameterFileError(const QString& path)
{
    return QStringLiteral("Error: Program is not able to open parameter file\r\n") + QDir::toNativeSeparators(path);
}

} // namespace

std::vector<FieldDef> UnitLayoutFields()
{
    // The hierarchical keys grow with the depth of the group nesting; a cut
    // key would put records on wrong levels and columns, so they have no
    // size.
    return {str("Excavation", 12), str("Unitname", 8), str("Clevel", 0), str("CXPos", 0), num("XStart"),
            num("XStop"), num("YLevelStart"), num("YLevelStop"), num("NestCt"), num("SonCt"), num("FatherCt"),
            num("Colour"), num("BoxStyle"), num("ThemColour"), num("ThemBoxStyle"), str("Unitclass", 1),
            str("GExcavation", 12), str("GUnitname", 8)};
}

std::vector<FieldDef> RelLayoutFields()
{
    return {str("Excavation1", 12), str("Unitname1", 8), str("Excavation2", 12), str("Unitname2", 8),
            num("YSubLevel"), num("YLevel1"), num("YLevel2"), num("XPos1"), num("XPos2"), num("NestCt2"),
            str("RelationCat", 1), num("RelCount"), num("Port1"), num("Port2")};
}

IndexDef UnitLayoutPrimaryIndex()
{
    return {QString(), {QStringLiteral("Excavation"), QStringLiteral("Unitname")}};
}

IndexDef RelLayoutPrimaryIndex()
{
    return {QString(), {QStringLiteral("Excavation1"), QStringLiteral("Unitname1"), QStringLiteral("Excavation2"),
                        QStringLiteral("Unitname2")}};
}

IndexDef PositionsIndex()
{
    return {QStringLiteral("Positions"), {QStringLiteral("YLevelStart"), QStringLiteral("XStart")}};
}

IndexDef NestCtIndex()
{
    return {QStringLiteral("NestCt"), {QStringLiteral("NestCt"), QStringLiteral("YLevelStart")}};
}

IndexDef RelationDestIndex()
{
    return {QStringLiteral("RelationDest"), {QStringLiteral("Excavation2"), QStringLiteral("Unitname2"),
                                             QStringLiteral("Excavation1"), QStringLiteral("Unitname1")}};
}

void CreateLayoutTables(const QString& directory, const QString& projectName, LayoutStage stage)
{
    const QString parameters = LayoutParameterPath(directory, projectName, stage);
    if (QFile::exists(parameters) && !QFile::remove(parameters))
        throw EngineError(QStringLiteral("Cannot remove %1").arg(QDir::toNativeSeparators(parameters)));
    Table::create(directory, UnitLayoutTableName(projectName, stage), UnitLayoutFields(), UnitLayoutPrimaryIndex());
    Table::create(directory, RelLayoutTableName(projectName, stage), RelLayoutFields(), RelLayoutPrimaryIndex());
    Table::create(directory, kTempUnitTable, UnitLayoutFields(), UnitLayoutPrimaryIndex());
    Table::create(directory, kTempRelTable, RelLayoutFields(), RelLayoutPrimaryIndex());
    Table::create(directory, kProperRelTable, RelLayoutFields(), RelLayoutPrimaryIndex());
}

void DeleteLayoutTables(const QString& directory, const QString& projectName, LayoutStage stage)
{
    for (const QString& name : {UnitLayoutTableName(projectName, stage), RelLayoutTableName(projectName, stage)})
        if (Table::exists(directory, name)) Table::remove(directory, name);
}

// --- parameter file ---------------------------------------------------------------

void LayoutParameters::reset(qint32 k, qint32 l)
{
    columns = k;
    levels = l;
    LeftFrameLanes.assign(std::size_t(k) + 1, 0);
    RightFrameLanes.assign(std::size_t(k) + 1, 0);
    FrameLanesBelow.assign(std::size_t(l) + 1, 0);
    TrackCount.assign(std::size_t(l) + 1, 0);
}

QByteArray SerializeLayoutParameters(const LayoutParameters& p)
{
    QByteArray bytes;
    auto put = [&](qint32 v) {
        char b[4];
        qToLittleEndian<qint32>(v, b);
        bytes.append(b, 4);
    };
    auto putArray = [&](const std::vector<qint32>& a, qint32 n) {
        for (qint32 i = 1; i <= n; ++i) put(std::size_t(i) < a.size() ? a[std::size_t(i)] : 0);
    };
    put(p.groups ? 1 : 0);
    put(p.columns);
    put(p.levels);
    putArray(p.LeftFrameLanes, p.columns);
    putArray(p.RightFrameLanes, p.columns);
    putArray(p.FrameLanesBelow, p.levels);
    putArray(p.TrackCount, p.levels);
    put(qint32(p.periods.size()));
    for (const Period& period : p.periods) {
        // Names come from unit fields, which hold Windows-1252 text only.
        QByteArray name = encodeCp1252(period.name).value_or(QByteArray());
        if (name.isEmpty() && !period.name.isEmpty()) {
            for (QChar c : period.name) name.append(encodeCp1252(QString(c)).value_or(QByteArray("?")));
        }
        put(qint32(name.size()));
        for (char c : name) put(qint32(quint8(c)));
        put(period.position);
    }
    return bytes;
}

std::optional<LayoutParameters> ParseLayoutParameters(QByteArrayView bytes)
{
    if (bytes.size() % 4 != 0) return std::nullopt;
    const qsizetype total = bytes.size() / 4;
    qsizetype at = 0;
    auto left = [&] { return total - at; };
    auto get = [&] { return qFromLittleEndian<qint32>(bytes.data() + 4 * at++); };

    LayoutParameters p;
    if (left() < 3) return std::nullopt;
    const qint32 groups = get();
    if (groups != 0 && groups != 1) return std::nullopt;
    p.groups = groups == 1;
    const qint32 k = get();
    const qint32 l = get();
    // Four arrays and the period count must fit in what is left; checked
    // before anything is allocated.
    if (k < 0 || l < 0 || 2 * qint64(k) + 2 * qint64(l) + 1 > left()) return std::nullopt;
    p.reset(k, l);
    // Lanes and tracks are counts: a negative one would give the drawing a
    // negative size.
    auto getCount = [&](qint32& into) {
        into = get();
        return into >= 0;
    };
    for (auto* a : {&p.LeftFrameLanes, &p.RightFrameLanes})
        for (qint32 i = 1; i <= k; ++i)
            if (!getCount((*a)[std::size_t(i)])) return std::nullopt;
    for (auto* a : {&p.FrameLanesBelow, &p.TrackCount})
        for (qint32 i = 1; i <= l; ++i)
            if (!getCount((*a)[std::size_t(i)])) return std::nullopt;
    const qint32 count = get();
    if (count < 0 || count > kMaxPeriods || 2 * qint64(count) > left()) return std::nullopt;
    for (qint32 i = 0; i < count; ++i) {
        if (left() < 2) return std::nullopt;
        const qint32 length = get();
        if (length < 0 || length > 255 || qint64(length) + 1 > left()) return std::nullopt;
        QByteArray name;
        for (qint32 j = 0; j < length; ++j) {
            const qint32 code = get();
            if (code < 0 || code > 255) return std::nullopt;
            name.append(char(code));
        }
        Period period;
        period.name = decodeCp1252(name);
        // Only the low 16 bits carry the start level. Periods run from the
        // top of the diagram down, each on a level of it.
        period.position = qint16(quint32(get()) & 0xFFFF);
        if (period.position < 1 || period.position > l) return std::nullopt;
        if (!p.periods.empty() && period.position < p.periods.back().position) return std::nullopt;
        p.periods.push_back(period);
    }
    if (left() != 0) return std::nullopt;
    return p;
}

bool WriteLayoutParameters(UserInterface& ui, const QString& directory, const QString& projectName,
                           const LayoutParameters& parameters, LayoutStage stage)
{
    const QString path = LayoutParameterPath(directory, projectName, stage);
    QSaveFile file(path);
    const QByteArray bytes = SerializeLayoutParameters(parameters);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        ui.error(QStringLiteral("Error: Program is not able to write parameter file\r\n") + QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

QString LayoutDescription(const LayoutParameters& parameters)
{
    const bool periods = !parameters.periods.empty();
    if (parameters.groups)
        return QStringLiteral("The diagram shows groups") + (periods ? QStringLiteral(" and periods/phases.") : QString());
    return periods ? QStringLiteral("The diagram displays periods/phases.") : QString();
}

namespace {

// Highest value of an integer field, 0 for an empty table.
qint32 highest(const Table& table, const QString& field)
{
    const auto rows = table.query(field + QStringLiteral(" IS NOT NULL"), {}, field + QStringLiteral(" DESC LIMIT 1"));
    if (rows.empty()) return 0;
    const Value& v = rows.front().values[std::size_t(table.fieldIndexOrThrow(field))];
    return intOrZero(v);
}

} // namespace

std::optional<LayoutParameters> ReadLayoutParameters(UserInterface& ui, const Regional& regional,
                                                     const QString& directory, const QString& projectName,
                                                     bool quiet, const Table* unitLayout)
{
    const QString path = LayoutParameterPath(directory, projectName);
    auto fail = [&]() -> std::optional<LayoutParameters> {
        ui.error(parameterFileError(path));
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail();
    // A parameter file is a few kilobytes; one far beyond what K, L and 255
    // periods could need is not ours.
    if (file.size() > qint64(64) * 1024 * 1024) return fail();
    const QByteArray bytes = file.readAll();
    file.close();
    auto parameters = ParseLayoutParameters(bytes);
    if (!parameters) return fail();

    // Parameters of another layout than the tables' would send the drawing
    // past its arrays; lanes and tracks beyond what the tables hold would
    // make it absurdly large.
    QString tablePath = Table::pathOf(directory, projectName + kUnitLayoutSuffix);
    try {
        Table own;
        if (!unitLayout) {
            if (!Table::exists(directory, projectName + kUnitLayoutSuffix)) return fail();
            own.open(directory, projectName + kUnitLayoutSuffix);
            unitLayout = &own;
        }
        if (auto problem = SchemaProblem(*unitLayout, UnitLayoutFields(), QStringLiteral("unit layout table"))) {
            // Layouts stored while the keys had sizes are read as they are.
            std::vector<FieldDef> sized = UnitLayoutFields();
            sized[ul::Clevel].size = 30;
            sized[ul::CXPos].size = 60;
            if (SchemaProblem(*unitLayout, sized, QStringLiteral("unit layout table"))) {
                ui.error(*problem);
                return std::nullopt;
            }
        }
        qint64 lines = 0;
        tablePath = Table::pathOf(directory, projectName + kRelLayoutSuffix);
        if (Table::exists(directory, projectName + kRelLayoutSuffix)) {
            Table relLayout;
            relLayout.open(directory, projectName + kRelLayoutSuffix);
            if (const auto problem =
                    SchemaProblem(relLayout, RelLayoutFields(), QStringLiteral("relationship layout table"))) {
                ui.error(*problem);
                return std::nullopt;
            }
            lines = relLayout.count();
        }
        if (highest(*unitLayout, QStringLiteral("XStop")) > parameters->columns
            || highest(*unitLayout, QStringLiteral("XStart")) > parameters->columns
            || highest(*unitLayout, QStringLiteral("YLevelStop")) > parameters->levels
            || highest(*unitLayout, QStringLiteral("YLevelStart")) > parameters->levels)
            return fail();
        const qint32 nesting = highest(*unitLayout, QStringLiteral("NestCt"));
        auto beyond = [](const std::vector<qint32>& counts, qint64 most) {
            return std::any_of(counts.begin(), counts.end(), [most](qint32 v) { return v > most; });
        };
        if (beyond(parameters->LeftFrameLanes, nesting) || beyond(parameters->RightFrameLanes, nesting)
            || beyond(parameters->FrameLanesBelow, nesting)
            // A gap has at most a track per line and one for a period line;
            // one more is let pass for layouts drawn up by hand.
            || beyond(parameters->TrackCount, lines + qint64(parameters->periods.size()) + 1))
            return fail();
    } catch (const EngineError& e) {
        ui.error(QStringLiteral("Error: Program is not able to open layout table\r\n") + QDir::toNativeSeparators(tablePath)
                 + QStringLiteral("\r\n") + e.text());
        return std::nullopt;
    }

    if (!quiet) {
        const QDateTime modified = QFileInfo(path).lastModified();
        const QString when = regional.formatDate(modified.date()) + QLatin1Char(' ')
                             + modified.time().toString(QStringLiteral("hh:mm"));
        const Answer answer = ui.confirm(QStringLiteral("The Harris diagram layout was created on ") + when
                                             + QStringLiteral("\r\n") + LayoutDescription(*parameters)
                                             + QStringLiteral("\r\n") + QStringLiteral("Do you want to display this layout?"),
                                         Buttons::YesNo, QStringLiteral("Contents"));
        if (answer != Answer::Yes) return std::nullopt;
    }
    return parameters;
}

void SetRoutedFields(TableWriter& relLayout, const LineRecord& line)
{
    relLayout.set(rl::YSubLevel, toValue(line.YSubLevel));
    relLayout.set(rl::YLevel1, toValue(line.YLevel1));
    relLayout.set(rl::YLevel2, toValue(line.YLevel2));
    relLayout.set(rl::XPos1, toValue(line.XPos1));
    relLayout.set(rl::XPos2, toValue(line.XPos2));
    relLayout.set(rl::NestCt2, toValue(line.NestCt2));
    relLayout.set(rl::Port1, toValue(line.Port1));
    relLayout.set(rl::Port2, toValue(line.Port2));
}

} // namespace belvanto
