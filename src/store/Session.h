#pragma once
// The open program's state: the field catalogue, the open project and its
// tables, the linked term file and the recent-projects list. One instance
// lives as long as the program; each test makes its own.
#include "store/Table.h"
#include "store/UnitFields.h"
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLockFile;
class QTemporaryDir;

namespace belvanto {

class UserInterface;
class Regional;

struct ProjectState {
    QString ProjectFilePath;   // empty: no project open
    QString ProjectDirectory;  // no trailing separator
    QString ProjectName;
    QString TermFilePath;
    QString CurrentExcavation;
    bool SingleExcavation = false;
    bool DiagramPresent = false;
    QString PhotoPath, PhotoPrefix, DrawingPath, DrawingPrefix, Separator;
    bool ReadOnly = false;     // opened for reading: neither tables nor the project file are written

    bool isOpen() const { return !ProjectFilePath.isEmpty(); }
    QString tablePath(const QString& suffix) const;  // <dir>/<ProjectName><suffix>.db
};

// At most four project file paths, the most recent first, without gaps.
class RecentProjects {
public:
    static constexpr int kSlots = 4;
    const QStringList& paths() const { return paths_; }
    void moveToTop(const QString& path);
    void remove(const QString& path);
    void setPaths(const QStringList& paths);
private:
    QStringList paths_;
};

class Session {
public:
    Session(UserInterface& ui, const Regional& regional);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    UserInterface& ui() const { return ui_; }
    const Regional& regional() const { return regional_; }
    UnitFieldCatalogue& catalogue() { return catalogue_; }
    const UnitFieldCatalogue& catalogue() const { return catalogue_; }
    ProjectState& project() { return project_; }
    const ProjectState& project() const { return project_; }
    RecentProjects& recent() { return recent_; }

    Table& units() { return *units_; }
    Table& relations() { return *relations_; }
    Table& unitEntry() { return *unitEntry_; }
    Table& relEntry() { return *relEntry_; }
    Table& terms() { return *terms_; }
    bool termsOpen() const { return terms_->isOpen(); }

    // The open project's lock, held in every process for as long as the
    // project is open (read-only opens hold none).
    std::unique_ptr<QLockFile>& lock() { return lock_; }
    // This process's own folder of the edit form's temporary tables, so that
    // two programs never share them; removed when the project closes.
    std::unique_ptr<QTemporaryDir>& workFolder() { return workFolder_; }
    // Set when an open, a new project or a copy was refused because another
    // program has that project open.
    bool refusedInUse = false;
    // The missing term file's question answered No keeps the link: where the
    // answer is not the user's own (the command line's default answer).
    bool keepTermLinkOnNo = false;
    // The group hierarchy's options, for the program's whole life: the state
    // (0 no tree built, 1 groups only, 2 groups and contexts) and the
    // chronology check (0 none, 1 periods, 2 phases). "Show group hierarchy"
    // asks for them only while the state is 0; a check run sets them.
    int hierarchyState = 0;
    int hierarchyChronology = 0;
    // The field values of the unit the edit form saved last, for "Copy
    // Previous"; empty until a unit is saved. Outlives projects.
    std::vector<Value> previousUnitValues;

    // Told when a project opens or closes, the term link or the
    // single-excavation flag changes; the desktop program re-evaluates its
    // menus, caption and columns.
    std::function<void()> onStateChanged;
    void notifyStateChanged() { if (onStateChanged) onStateChanged(); }

private:
    UserInterface& ui_;
    const Regional& regional_;
    UnitFieldCatalogue catalogue_;
    ProjectState project_;
    RecentProjects recent_;
    std::unique_ptr<Table> units_, relations_, unitEntry_, relEntry_, terms_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QTemporaryDir> workFolder_;
};

} // namespace belvanto
