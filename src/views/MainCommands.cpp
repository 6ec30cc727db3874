#include "views/MainCommands.h"
#include "checks/GroupHierarchy.h"
#include "store/Table.h"
#include "store/UnitFields.h"
#include <QRegularExpression>

namespace belvanto {

QString FindUnitPrompt(bool singleExcavation)
{
    return singleExcavation ? QStringLiteral("Enter unit name")
                            : QStringLiteral("Enter excavation name:unit name or unit name");
}

QString FindUnitFailedNotice(const QString& text)
{
    return QStringLiteral("Find unit: no unit matches \"%1\".").arg(text);
}

namespace {

// The first unit in list order that the predicate accepts; a linear walk,
// taken only after the indexed exact look-up found nothing.
template <typename Accept>
bool walkTo(Table& units, Accept accept)
{
    const Bookmark start = units.bookmark();
    for (units.first(); !units.eof(); units.next())
        if (accept(units)) return true;
    if (start.valid && units.bookmarkValid(start)) units.gotoBookmark(start);
    else units.first();
    return false;
}

} // namespace

bool FindUnit(Table& units, const QString& text)
{
    qsizetype skip = 0;
    while (skip < text.size() && text.at(skip) == QLatin1Char(':')) ++skip;
    const QString key = text.mid(skip);
    const qsizetype colon = key.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        if (!key.isEmpty() && units.locate(QStringLiteral("Unitname"), {key})) return true;
        return walkTo(units, [&](const Table& t) { return t.str(uf::Unitname).startsWith(key, Qt::CaseInsensitive); });
    }
    const QString excavation = key.left(colon);
    const QString name = key.mid(colon + 1);
    if (!excavation.isEmpty() && !name.isEmpty()
        && units.locate(QStringLiteral("Excavation;Unitname"), {excavation, name}))
        return true;
    return walkTo(units, [&](const Table& t) {
        return t.str(uf::Excavation).compare(excavation, Qt::CaseInsensitive) == 0
               && t.str(uf::Unitname).startsWith(name, Qt::CaseInsensitive);
    });
}

int FindTreeNode(const HierarchyTree& tree, const QString& text)
{
    qsizetype skip = 0;
    while (skip < text.size() && text.at(skip) == QLatin1Char(':')) ++skip;
    const QString key = text.mid(skip);
    const qsizetype colon = key.indexOf(QLatin1Char(':'));
    const QString excavation = colon < 0 ? QString() : key.left(colon);
    const QString name = colon < 0 ? key : key.mid(colon + 1);
    const std::vector<int> order = tree.displayOrder();
    auto nameOf = [&](int n) {
        const HierarchyNode& node = tree.node(n);
        return node.kind == HierarchyNodeKind::Period ? node.text : node.unit.unitname;
    };
    auto excavationFits = [&](int n, Qt::CaseSensitivity cs) {
        return colon < 0 || tree.node(n).unit.excavation.compare(excavation, cs) == 0;
    };
    if (!name.isEmpty() && (colon < 0 || !excavation.isEmpty()))
        for (int n : order)
            if (nameOf(n) == name && excavationFits(n, Qt::CaseSensitive)) return n;
    for (int n : order)
        if (nameOf(n).startsWith(name, Qt::CaseInsensitive) && excavationFits(n, Qt::CaseInsensitive)) return n;
    return -1;
}

QString CountMessage(const QString& projectName, int all, std::optional<int> shown)
{
    QString text = QStringLiteral("Project %1 consists of %2 units.").arg(projectName).arg(all);
    if (shown) text += QStringLiteral("\r\nAfter filtering, %1 units are displayed.").arg(*shown);
    return text;
}

std::optional<MemoryFigures> ParseMemInfo(const QString& text)
{
    static const QRegularExpression line(QStringLiteral("^(\\w+):\\s*(\\d+)"), QRegularExpression::MultilineOption);
    std::optional<qint64> total, available;
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == QLatin1String("MemTotal")) total = m.captured(2).toLongLong();
        else if (m.captured(1) == QLatin1String("MemAvailable")) available = m.captured(2).toLongLong();
    }
    if (!total || *total <= 0) return std::nullopt;
    MemoryFigures figures;
    figures.totalKB = *total;
    if (available) figures.loadPercent = int(100 - std::min(*available, *total) * 100 / *total);
    return figures;
}

} // namespace belvanto
