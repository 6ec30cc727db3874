#include "store/Session.h"
#include <QDir>
#include <QLockFile>
#include <QTemporaryDir>

namespace belvanto {

QString ProjectState::tablePath(const QString& suffix) const
{
    return Table::pathOf(ProjectDirectory, ProjectName + suffix);
}

void RecentProjects::moveToTop(const QString& path)
{
    if (path.isEmpty()) return;
    paths_.removeAll(path);
    paths_.prepend(path);
    while (paths_.size() > kSlots) paths_.removeLast();
}

void RecentProjects::remove(const QString& path)
{
    paths_.removeAll(path);
}

void RecentProjects::setPaths(const QStringList& paths)
{
    paths_.clear();
    for (const QString& p : paths)
        if (!p.isEmpty() && !paths_.contains(p) && paths_.size() < kSlots) paths_.append(p);
}

Session::Session(UserInterface& ui, const Regional& regional)
    : ui_(ui), regional_(regional), units_(std::make_unique<Table>()), relations_(std::make_unique<Table>()),
      unitEntry_(std::make_unique<Table>()), relEntry_(std::make_unique<Table>()), terms_(std::make_unique<Table>())
{
}

Session::~Session()
{
    // A program ended without closing its project: the temporary tables are
    // closed before their folder goes.
    for (Table* t : {unitEntry_.get(), relEntry_.get()})
        if (t->isOpen()) t->close();
}

} // namespace belvanto
